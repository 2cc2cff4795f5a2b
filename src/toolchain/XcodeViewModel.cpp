#include "toolchain/XcodeViewModel.h"

#include "platform/AppError.h"
#include "platform/Bookmark.h"
#include "platform/PropertyList.h"

#include <QPointer>
#include <QtConcurrent>

#include <QCoro/QCoroFuture>

XcodeViewModel::State XcodeViewModel::State::importError(const std::exception& error) {
    State state;
    state.kind = StateKind::ImportError;
    if (const auto* appError = dynamic_cast<const AppError*>(&error)) {
        state.errorDomain = appError->domain();
        state.errorCode = appError->code();
    }
    state.errorDescription = localizedDescription(error);
    return state;
}

XcodeViewModel::XcodeViewModel(QObject* parent)
    : QObject(parent) {}

void XcodeViewModel::setState(State state) {
    if (state.kind != StateKind::Verifying)
        ++m_importGeneration; // whatever check is running no longer decides the state
    if (state == m_state)
        return;
    m_state = std::move(state);
    Q_EMIT stateChanged();
}

bool XcodeViewModel::isXcode(const QUrl& bundle) {
    if (!bundle.isLocalFile())
        return false;
    const std::optional<QVariantMap> info =
        PropertyList::readDictionary(bundle.toLocalFile() + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return false;
    const QVariant identifier = info->value(QStringLiteral("CFBundleIdentifier"));
    return identifier.typeId() == QMetaType::QString &&
           identifier.toString() == QStringLiteral("com.apple.dt.Xcode");
}

QCoro::Task<> XcodeViewModel::handleFileImport(FileImportResult result) {
    if (const auto* error = std::get_if<std::exception_ptr>(&result)) {
        try {
            std::rethrow_exception(*error);
        } catch (const std::exception& e) {
            setState(State::importError(e));
        } catch (...) {
            setState(State::importError(
                AppError(errorDomain.toString(), -1, QStringLiteral("Unknown error"))));
        }
        co_return;
    }
    const QList<QUrl>& urls = std::get<QList<QUrl>>(result);
    if (urls.isEmpty()) {
        setState(State::importError(
            AppError(errorDomain.toString(), NoFileURL, QStringLiteral("No file URL found"))));
        co_return;
    }

    QUrl resolved;
    try {
        resolved = Bookmark::resolve(Bookmark::create(urls.first())).url;
    } catch (const std::exception& error) {
        setState(State::importError(error));
        co_return;
    }
    Bookmark::startAccessing(resolved);
    setState(State::verifying(resolved));
    const quint64 generation = ++m_importGeneration;

    QPointer<XcodeViewModel> self(this);
    const bool passed = co_await QtConcurrent::run(&XcodeViewModel::isXcode, resolved);
    if (!self || generation != m_importGeneration)
        co_return;
    if (passed)
        setState(State::fileImported(resolved));
    else
        setState(State::importError(
            AppError(errorDomain.toString(), InvalidBinary, QStringLiteral("Invalid binary"))));
}

#include "moc_XcodeViewModel.cpp"
