#include "updates/ui/UpdateAlert.h"

#include "updates/ui/AutomaticChecksBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

bool isWebURL(const QUrl& url) {
    return url.scheme() == u"https" || url.scheme() == u"http";
}

void openInBrowser(const QUrl& url) {
    if (isWebURL(url))
        QDesktopServices::openUrl(url);
}

// Release notes come from the network: they may show text and links, but never make Kestrine
// read a file (painting an <img src="file:///dev/zero"> would hang the window) or fetch
// anything. The document is where resources are loaded, falling back to reading local files
// itself, so the guard sits there.
class ReleaseNotesDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

} // namespace

UpdateAlert::UpdateAlert(UpdateCheckResult result, QWidget* parent)
    : QDialog(parent)
    , m_result(std::move(result)) {
    using Outcome = UpdateCheckResult::Outcome;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Software Update"));

    auto* icon = new QLabel(this);
    const QStyle::StandardPixmap standard = m_result.outcome == Outcome::Failed
                                                ? QStyle::SP_MessageBoxWarning
                                                : QStyle::SP_MessageBoxInformation;
    const QIcon appIcon = QApplication::windowIcon();
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap((appIcon.isNull() || m_result.outcome == Outcome::Failed
                         ? style()->standardIcon(standard, nullptr, this)
                         : appIcon)
                        .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    m_heading = new QLabel(m_result.heading(), this);
    QFont headingFont = m_heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.15);
    m_heading->setFont(headingFont);
    m_heading->setWordWrap(true);

    m_text = new QLabel(m_result.text(), this);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    // Wrapped labels would shrink the fixed-size alerts to a narrow column otherwise.
    m_text->setMinimumWidth(380);

    auto* column = new QVBoxLayout;
    column->addWidget(m_heading);
    column->addWidget(m_text);

    if (m_result.outcome == Outcome::Failed && !m_result.detail.isEmpty()) {
        auto* detail = new QLabel(m_result.detail, this);
        detail->setTextFormat(Qt::PlainText);
        detail->setWordWrap(true);
        detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
        detail->setForegroundRole(QPalette::PlaceholderText);
        column->addWidget(detail);
    }

    const AppcastItem& item = m_result.item;
    if (m_result.outcome == Outcome::UpdateAvailable) {
        if (!item.releaseNotes.isEmpty()) {
            auto* notesTitle = new QLabel(QStringLiteral("Release Notes:"), this);
            column->addSpacing(6);
            column->addWidget(notesTitle);
            m_releaseNotes = new QTextBrowser(this);
            m_releaseNotes->setObjectName(QStringLiteral("releaseNotes"));
            m_releaseNotes->setAccessibleName(tr("Release Notes"));
            // Read-only text: Tab goes on to the buttons instead of staying in it.
            m_releaseNotes->setTabChangesFocus(true);
            m_releaseNotes->setDocument(new ReleaseNotesDocument(m_releaseNotes));
            m_releaseNotes->setOpenLinks(false);
            m_releaseNotes->setMinimumSize(420, 220);
            if (Qt::mightBeRichText(item.releaseNotes))
                m_releaseNotes->setHtml(item.releaseNotes);
            else
                m_releaseNotes->setPlainText(item.releaseNotes);
            connect(m_releaseNotes, &QTextBrowser::anchorClicked, this, &openInBrowser);
            column->addWidget(m_releaseNotes, 1);
        }
        if (!item.releaseNotesURL.isEmpty()) {
            auto* link = new QLabel(this);
            link->setTextFormat(Qt::RichText);
            link->setText(
                QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(item.releaseNotesURL.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                         item.releaseNotes.isEmpty() ? QStringLiteral("Read the release notes")
                                                     : QStringLiteral("More about this release")));
            connect(link, &QLabel::linkActivated, this,
                    [](const QString& url) { openInBrowser(QUrl(url)); });
            column->addWidget(link);
        }
    }

    if (m_result.outcome != Outcome::Failed) {
        m_automaticChecks = new AutomaticChecksBox(this);
        m_automaticChecks->setObjectName(QStringLiteral("automaticChecks"));
        column->addSpacing(6);
        column->addWidget(m_automaticChecks);
    }

    auto* buttons = new QDialogButtonBox(this);
    if (m_result.outcome == Outcome::UpdateAvailable) {
        m_downloadButton =
            buttons->addButton(QStringLiteral("Download"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Not Now"), QDialogButtonBox::RejectRole);
        m_downloadButton->setObjectName(QStringLiteral("download"));
        m_downloadButton->setDefault(true);
        connect(m_downloadButton, &QPushButton::clicked, this, &UpdateAlert::download);
    } else {
        QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(column, 1);
    layout->setSizeConstraint(m_releaseNotes ? QLayout::SetDefaultConstraint
                                             : QLayout::SetFixedSize);
}

QString UpdateAlert::heading() const {
    return m_heading->text();
}

QString UpdateAlert::text() const {
    return m_text->text();
}

void UpdateAlert::download() {
    openInBrowser(m_result.item.downloadURL);
    accept();
}
