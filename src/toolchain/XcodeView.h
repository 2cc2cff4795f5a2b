#pragma once

#include "platform/ErrorMessage.h"
#include "toolchain/XcodeViewModel.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;

// The Xcode selection screen: "Select the Xcode path" and a "Select Xcode" button that opens
// a chooser for the Xcode bundle. A chosen bundle that is Xcode goes to `completion`; any
// other outcome is reported through errorOccurred() (the window shows it in its error alert)
// and the user can choose again.
class XcodeView : public QWidget {
    Q_OBJECT
public:
    using Completion = std::function<void(const QUrl&)>;
    // Called with the chooser's outcome, or nullopt when the user cancelled it.
    using ChooserReply = std::function<void(std::optional<XcodeViewModel::FileImportResult>)>;
    // Shows a chooser for one directory and answers through the reply exactly once.
    using FileChooser = std::function<void(QWidget* parent, ChooserReply reply)>;

    explicit XcodeView(Completion completion, QWidget* parent = nullptr);

    // The chooser used from now on by this view; tests answer it themselves.
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The chooser of views created from now on (a null one restores the file dialog).
    static void setDefaultFileChooser(FileChooser chooser);

    [[nodiscard]] XcodeViewModel& viewModel() { return *m_viewModel; }
    [[nodiscard]] QPushButton* selectButton() const { return m_selectButton; }

Q_SIGNALS:
    void errorOccurred(const ErrorMessage& error);

private:
    void viewModelStateChanged();
    void showChooser();
    void changeEvent(QEvent* event) override;
    void styleButton();

    Completion m_completion;
    XcodeViewModel* m_viewModel = nullptr;
    FileChooser m_chooser;
    bool m_isChooserShown = false;
    QPushButton* m_selectButton = nullptr;
};
