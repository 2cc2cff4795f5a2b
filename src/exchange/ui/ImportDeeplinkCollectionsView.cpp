#include "exchange/ui/ImportDeeplinkCollectionsView.h"

#include "exchange/CollectionImporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "platform/AppIdentity.h"
#include "platform/Logger.h"
#include "platform/SymbolImage.h"
#include "store/ManagedObjectContext.h"
#include "widgets/ErrorAlert.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The choice's image: `symbol` with the "link" symbol laid over its middle.
QPixmap choiceImage(const QString& symbol, qreal linkCentreY, int size, const QColor& color,
                    qreal ratio) {
    QPixmap image(QSize(size, size) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(QRect(0, 0, size, size), SymbolImage::pixmap(symbol, size, color, ratio));
    const int linkSize = qRound(size * 0.42);
    const QRect link(qRound((size - linkSize) / 2.0), qRound(size * linkCentreY - linkSize / 2.0),
                     linkSize, linkSize);
    painter.drawPixmap(link, SymbolImage::pixmap(QStringLiteral("link"), linkSize, color, ratio));
    return image;
}

} // namespace

ImportDeeplinkCollectionsView::FileImportResult
ImportDeeplinkCollectionsView::FileImportResult::chosen(QStringList paths) {
    FileImportResult result;
    result.kind = Kind::Chosen;
    result.paths = std::move(paths);
    return result;
}

ImportDeeplinkCollectionsView::FileImportResult
ImportDeeplinkCollectionsView::FileImportResult::failed(QString error) {
    FileImportResult result;
    result.kind = Kind::Failed;
    result.error = std::move(error);
    return result;
}

ImportDeeplinkCollectionsView::ImportDeeplinkCollectionsView(ManagedObjectContext* viewContext,
                                                             std::function<void()> dismiss,
                                                             QWidget* parent)
    : QWidget(parent)
    , m_viewContext(viewContext)
    , m_dismiss(std::move(dismiss))
    , m_openPanel(&ImportDeeplinkCollectionsView::nativeOpenPanel) {
    m_groupButton = makeChoice(QStringLiteral("rectangle.stack"), 15.0 / 24.0,
                               QStringLiteral("Collection Group"));
    m_groupButton->setToolTip(tr("Import several collection files at once"));
    connect(m_groupButton, &QToolButton::clicked, this,
            &ImportDeeplinkCollectionsView::chooseCollectionGroup);
    m_singleButton =
        makeChoice(QStringLiteral("rectangle"), 0.5, QStringLiteral("Single Collection"));
    m_singleButton->setToolTip(tr("Import one collection file"));
    connect(m_singleButton, &QToolButton::clicked, this,
            &ImportDeeplinkCollectionsView::chooseSingleCollection);

    auto* choices = new QHBoxLayout;
    choices->setSpacing(16);
    choices->addStretch();
    choices->addWidget(m_groupButton);
    choices->addWidget(m_singleButton);
    choices->addStretch();

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(148 * 2 + 16);
    m_progressLabel = new QLabel(tr("Importing\u2026"), this);
    auto* progress = new QHBoxLayout;
    progress->addStretch();
    progress->addWidget(m_progressLabel);
    progress->addWidget(m_progress);
    progress->addStretch();
    m_progress->hide();
    m_progressLabel->hide();

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setFixedWidth(80);
    m_cancelButton->setDefault(true);
    m_cancelButton->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        if (m_dismiss)
            m_dismiss();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(choices);
    layout->addLayout(progress);
    layout->addStretch();
    layout->addLayout(buttons);
}

QToolButton* ImportDeeplinkCollectionsView::makeChoice(const QString& symbol, qreal linkCentreY,
                                                       const QString& text) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedWidth(148);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::StrongFocus);
    // The large-title size, in the secondary text colour.
    const int size = qRound(QFontInfo(font()).pixelSize() * 3.2);
    QColor secondary = palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.55);
    const qreal ratio = devicePixelRatioF();
    button->setIcon(QIcon(choiceImage(symbol, linkCentreY, size, secondary, ratio)));
    button->setIconSize(QSize(size, size));
    // A filled rounded card, like the platform's control colour on a window background.
    button->setStyleSheet(QStringLiteral(
        "QToolButton { background: palette(base); border: 1px solid palette(midlight);"
        " border-radius: 8px; padding: 10px; }"
        "QToolButton:hover { background: palette(alternate-base); }"
        "QToolButton:pressed { background: palette(midlight); }"
        "QToolButton:focus { border: 1px solid palette(highlight); }"
        "QToolButton:disabled { color: palette(mid); }"));
    return button;
}

void ImportDeeplinkCollectionsView::chooseCollectionGroup() {
    choose(true);
}

void ImportDeeplinkCollectionsView::chooseSingleCollection() {
    choose(false);
}

void ImportDeeplinkCollectionsView::choose(bool multiple) {
    if (m_isImporting || m_groupSheetIsPresented || m_singleSheetIsPresented)
        return;
    bool& flag = multiple ? m_groupSheetIsPresented : m_singleSheetIsPresented;
    flag = true;
    QPointer<ImportDeeplinkCollectionsView> self(this);
    FileImportResult result = m_openPanel(this, multiple);
    if (!self)
        return;
    flag = false;
    QCoro::connect(importFiles(std::move(result)), this, [] {});
}

void ImportDeeplinkCollectionsView::setImporting(bool importing) {
    m_isImporting = importing;
    m_groupButton->setEnabled(!importing);
    m_singleButton->setEnabled(!importing);
    m_cancelButton->setEnabled(!importing);
    m_progress->setVisible(importing);
    m_progressLabel->setVisible(importing);
}

QCoro::Task<> ImportDeeplinkCollectionsView::importFiles(FileImportResult result) {
    if (result.kind == FileImportResult::Kind::Cancelled)
        co_return; // the user closed the dialog: the sheet stays for another choice

    // The sheet may go away while files are read; the import still completes into the store.
    QPointer<ImportDeeplinkCollectionsView> self(this);

    if (result.kind == FileImportResult::Kind::Failed) {
        Logger(QString::fromLatin1(AppIdentity::bundleIdentifier), QStringLiteral("fileio"))
            .error(u"Failed to import file cause: %{public}@", result.error);
    } else {
        setImporting(true);
        // Restored however the routine ends, also when the view is gone by then.
        struct BusyCursor {
            BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
            ~BusyCursor() { QApplication::restoreOverrideCursor(); }
        } busyCursor;
        // The outcome is logged already; the sheet closes whatever it is.
        const CollectionImporter::Outcome outcome =
            co_await CollectionImporter::importFiles(result.paths, m_viewContext);
        if (self)
            setImporting(false);
        // Files that cannot be read are the user's to see in the log; a store that took
        // nothing of the import says so, or the user would look for the collections.
        if (self && outcome.kind == CollectionImporter::Outcome::Kind::Undone)
            showUndone(outcome.error);
    }

    if (!self)
        co_return;
    Q_EMIT importFinished();
    if (m_dismiss)
        m_dismiss();
}

void ImportDeeplinkCollectionsView::showUndone(const QString& reason) {
    if (!m_alert) {
        // Over the window the sheet came from: the sheet itself closes now.
        QWidget* sheet = window();
        m_alert =
            new ErrorAlert(sheet->parentWidget() ? sheet->parentWidget()->window() : sheet, this);
    }
    m_alert->setError(ErrorMessage{
        tr("Nothing was imported, because the store could not be written: %1").arg(reason)});
}

ImportDeeplinkCollectionsView::FileImportResult
ImportDeeplinkCollectionsView::nativeOpenPanel(QWidget* parent, bool allowsMultipleSelection) {
    QFileDialog dialog(parent, allowsMultipleSelection ? QObject::tr("Import Collections")
                                                       : QObject::tr("Import Collection"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(allowsMultipleSelection ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    dialog.setMimeTypeFilters(DeeplinkCollectionFile::readableContentTypes());
    dialog.setSupportedSchemes({QStringLiteral("file")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty())
        return {};
    QStringList paths;
    for (const QUrl& url : dialog.selectedUrls()) {
        if (!url.isLocalFile())
            return FileImportResult::failed(
                QStringLiteral("\u201C%1\u201D is not a local file.").arg(url.toDisplayString()));
        paths.append(url.toLocalFile());
    }
    return FileImportResult::chosen(paths);
}
