#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <QCoro/QCoroTask>

#include <functional>

class ErrorAlert;
class ManagedObjectContext;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

// Widget of the add-collection sheet's "Import" tab: "Collection Group" picks several exchange
// files, "Single Collection" one, and CollectionImporter imports them. The sheet closes once a
// dialog has reported, whatever the outcome; failures reach the log, and an import the store
// could not keep an alert too.
class ImportDeeplinkCollectionsView : public QWidget {
    Q_OBJECT
public:
    // What a file-open dialog reported.
    struct FileImportResult {
        enum class Kind { Chosen, Cancelled, Failed };
        Kind kind = Kind::Cancelled;
        QStringList paths; // Chosen: local files, in the order the dialog gave them
        QString error;     // Failed: the dialog's error description

        [[nodiscard]] static FileImportResult chosen(QStringList paths);
        [[nodiscard]] static FileImportResult failed(QString error);
    };

    // Shows a file-open dialog for JSON files, several at once when asked.
    using OpenPanel =
        std::function<FileImportResult(QWidget* parent, bool allowsMultipleSelection)>;

    // `dismiss` closes the sheet (sets its presentation flag to false).
    ImportDeeplinkCollectionsView(ManagedObjectContext* viewContext, std::function<void()> dismiss,
                                  QWidget* parent = nullptr);

    // Whether the multi-file / single-file dialog is up.
    [[nodiscard]] bool groupSheetIsPresented() const { return m_groupSheetIsPresented; }
    [[nodiscard]] bool singleSheetIsPresented() const { return m_singleSheetIsPresented; }
    // Whether chosen files are being read, decoded or stored.
    [[nodiscard]] bool isImporting() const { return m_isImporting; }

    // Replaces the platform dialog (tests).
    void setOpenPanel(OpenPanel panel) { m_openPanel = std::move(panel); }

    // What both choices run with their dialog's result: imports the files, logs a failed
    // dialog and closes the sheet. A cancelled dialog changes nothing.
    QCoro::Task<> importFiles(FileImportResult result);

    // The platform's file-open dialog, JSON files only.
    [[nodiscard]] static FileImportResult nativeOpenPanel(QWidget* parent,
                                                          bool allowsMultipleSelection);

public Q_SLOTS:
    void chooseCollectionGroup();
    void chooseSingleCollection();

Q_SIGNALS:
    // The routine finished (whatever its outcome) and asked the sheet to close.
    void importFinished();

private:
    void choose(bool multiple);
    void setImporting(bool importing);
    void showUndone(const QString& reason);
    QToolButton* makeChoice(const QString& symbol, qreal linkCentreY, const QString& text);

    QPointer<ManagedObjectContext> m_viewContext;
    std::function<void()> m_dismiss;
    OpenPanel m_openPanel;
    bool m_groupSheetIsPresented = false;
    bool m_singleSheetIsPresented = false;
    bool m_isImporting = false;
    ErrorAlert* m_alert = nullptr;

    QToolButton* m_groupButton = nullptr;
    QToolButton* m_singleButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressLabel = nullptr;
};
