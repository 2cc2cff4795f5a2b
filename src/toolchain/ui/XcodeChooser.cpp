#include "toolchain/ui/XcodeChooser.h"

#include <QDir>
#include <QFileDialog>

#include <QCoro/QCoroTask>

namespace {

XcodeChooser::FileChooser& defaultChooser() {
    static XcodeChooser::FileChooser chooser;
    return chooser;
}

// Xcode usually sits in /Applications.
void showFileDialog(QWidget* parent, XcodeChooser::ChooserReply reply) {
    auto* dialog = new QFileDialog(parent, QObject::tr("Select Xcode"));
    XcodeChooser::prepareDialog(*dialog);
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

void XcodeChooser::prepareDialog(QFileDialog& dialog, bool bundlesAreFiles) {
    if (bundlesAreFiles) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(QObject::tr("Applications (*.app)"));
    } else {
        // An application bundle is a directory here.
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
}

void XcodeChooser::setDefaultFileChooser(FileChooser chooser) {
    defaultChooser() = std::move(chooser);
}

XcodeChooser::XcodeChooser(QObject* parent)
    : QObject(parent)
    , m_viewModel(new XcodeViewModel(this))
    , m_chooser(defaultChooser() ? defaultChooser() : FileChooser(showFileDialog)) {
    connect(m_viewModel, &XcodeViewModel::stateChanged, this, &XcodeChooser::viewModelStateChanged);
}

void XcodeChooser::choose(QWidget* window) {
    m_window = window;
    m_viewModel->setState(XcodeViewModel::State::importingFile());
}

void XcodeChooser::viewModelStateChanged() {
    const XcodeViewModel::State state = m_viewModel->state();
    switch (state.kind) {
    case XcodeViewModel::StateKind::ImportingFile:
        showChooser();
        break;
    case XcodeViewModel::StateKind::ImportError:
        Q_EMIT errorOccurred(ErrorMessage{state.errorDescription});
        break;
    case XcodeViewModel::StateKind::FileImported:
        Q_EMIT chosen(state.url);
        break;
    case XcodeViewModel::StateKind::Idle:
    case XcodeViewModel::StateKind::Verifying:
        break;
    }
}

void XcodeChooser::showChooser() {
    // The chooser follows the state: one is shown at a time, and asking again while it is up
    // changes nothing.
    if (m_isChooserShown)
        return;
    m_isChooserShown = true;
    QPointer<XcodeChooser> self(this);
    m_chooser(m_window, [self](std::optional<XcodeViewModel::FileImportResult> outcome) {
        if (!self)
            return;
        self->m_isChooserShown = false;
        if (!outcome) {
            // Cancelled: back to idle, so that the next request opens the chooser again.
            self->m_viewModel->setState(XcodeViewModel::State::idle());
            return;
        }
        QCoro::connect(self->m_viewModel->handleFileImport(std::move(*outcome)), self.data(),
                       [] {});
    });
}
