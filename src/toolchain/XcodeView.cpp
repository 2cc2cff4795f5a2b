#include "toolchain/XcodeView.h"

#include "platform/SymbolImage.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <QCoro/QCoroTask>

namespace {

XcodeView::FileChooser& defaultChooser() {
    static XcodeView::FileChooser chooser;
    return chooser;
}

// One directory (an application bundle is one); Xcode usually sits in /Applications.
void showFileDialog(QWidget* parent, XcodeView::ChooserReply reply) {
    auto* dialog = new QFileDialog(parent, QObject::tr("Select Xcode"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, QObject::tr("Select"));
    dialog->setDirectory(QDir(QStringLiteral("/Applications")).exists()
                             ? QStringLiteral("/Applications")
                             : QDir::homePath());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // finished() comes once, for both outcomes; the reply must not be called twice.
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, reply](int result) {
        if (result == QDialog::Accepted)
            reply(XcodeViewModel::FileImportResult(dialog->selectedUrls()));
        else
            reply(std::nullopt);
    });
    dialog->open();
}

} // namespace

void XcodeView::setDefaultFileChooser(FileChooser chooser) {
    defaultChooser() = std::move(chooser);
}

XcodeView::XcodeView(Completion completion, QWidget* parent)
    : QWidget(parent)
    , m_completion(std::move(completion))
    , m_viewModel(new XcodeViewModel(this))
    , m_chooser(defaultChooser() ? defaultChooser() : FileChooser(showFileDialog)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(14);
    layout->addStretch();
    auto* label = new QLabel(tr("Select the Xcode path"), this);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    layout->addWidget(label);

    m_selectButton = new QPushButton(tr("Select Xcode"), this);
    m_selectButton->setDefault(true);
    m_selectButton->setCursor(Qt::PointingHandCursor);
    m_selectButton->setIconSize(QSize(16, 16));
    styleButton();
    layout->addWidget(m_selectButton, 0, Qt::AlignCenter);
    layout->addStretch();

    connect(m_selectButton, &QPushButton::clicked, this,
            [this] { m_viewModel->setState(XcodeViewModel::State::importingFile()); });
    connect(m_viewModel, &XcodeViewModel::stateChanged, this, &XcodeView::viewModelStateChanged);
}

void XcodeView::styleButton() {
    // The prominent style: filled with the accent colour, text and symbol in its contrast.
    const QPalette palette = this->palette();
    const QColor accent = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::HighlightedText);
    m_selectButton->setIcon(SymbolImage::icon(QStringLiteral("globe"), text));
    m_selectButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: none;"
                       " border-radius: 6px; padding: 6px 16px; font-weight: 600; }"
                       "QPushButton:hover { background-color: %3; }"
                       "QPushButton:pressed { background-color: %4; }")
            .arg(accent.name(), text.name(), accent.lighter(110).name(),
                 accent.darker(115).name()));
}

void XcodeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        styleButton();
    QWidget::changeEvent(event);
}

void XcodeView::viewModelStateChanged() {
    const XcodeViewModel::State state = m_viewModel->state();
    switch (state.kind) {
    case XcodeViewModel::StateKind::ImportingFile:
        showChooser();
        break;
    case XcodeViewModel::StateKind::ImportError:
        Q_EMIT errorOccurred(ErrorMessage{state.errorDescription});
        break;
    case XcodeViewModel::StateKind::FileImported:
        if (m_completion)
            m_completion(state.url); // may replace this screen; nothing of it is used after
        break;
    case XcodeViewModel::StateKind::Idle:
    case XcodeViewModel::StateKind::Verifying:
        break;
    }
}

void XcodeView::showChooser() {
    // The chooser follows the state: one is shown at a time, and pressing the button while it
    // is up changes nothing.
    if (m_isChooserShown)
        return;
    m_isChooserShown = true;
    QPointer<XcodeView> self(this);
    m_chooser(this, [self](std::optional<XcodeViewModel::FileImportResult> outcome) {
        if (!self)
            return;
        self->m_isChooserShown = false;
        if (!outcome) {
            // Cancelled: back to idle, so that the next press opens the chooser again.
            self->m_viewModel->setState(XcodeViewModel::State::idle());
            return;
        }
        QCoro::connect(self->m_viewModel->handleFileImport(std::move(*outcome)), self.data(),
                       [] {});
    });
}
