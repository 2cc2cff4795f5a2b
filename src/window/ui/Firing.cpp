#include "window/ui/Firing.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "window/FiringUrl.h"
#include "window/ui/VariablePrompt.h"

#include <QMessageBox>
#include <QPointer>

namespace {

// Hands the resolved URL, or the reason there is none, to the open-URL action.
void send(const OpenUrlAction& openUrl, const QString& text, const QString& title,
          const VariableResolver::Resolution& resolution, FiringDone done) {
    if (!openUrl)
        return;
    if (resolution.ok())
        openUrl(FiringRequest{.url = resolution.url, .title = title}, std::move(done));
    else
        openUrl(FiringRequest{.url = text, .title = title, .problem = resolution.problem},
                std::move(done));
}

} // namespace

namespace Firing {

std::optional<VariableResolver::Resolution> url(QWidget* parent, const QString& text,
                                                const DeeplinkCollection* collection) {
    const VariableResolver::Resolution resolution = FiringUrl::resolve(text, collection);
    if (resolution.ok() || resolution.missing.isEmpty())
        return resolution;
    // The collection may go while the prompt is up; its deeplink's firing goes with it.
    const QPointer<const DeeplinkCollection> kept(collection);
    const std::optional<QList<Variable>> typed = VariablePrompt::ask(
        parent, resolution.missing, [text, kept](const QList<Variable>& values) {
            return FiringUrl::resolve(text, kept, values).problem;
        });
    if (!typed || (collection && !kept))
        return std::nullopt;
    return FiringUrl::resolve(text, collection, *typed);
}

void withUrlFor(QWidget* parent, const Deeplink* deeplink,
                const std::function<void(const QString& url, QWidget* parent)>& use) {
    const QPointer<QWidget> owner(parent);
    const QPointer<const Deeplink> target(deeplink);
    if (!owner || !target)
        return;
    const std::optional<VariableResolver::Resolution> resolution =
        url(parent, target->urlString(), target->deeplinkCollection());
    if (!resolution || !owner || !target)
        return;
    if (!resolution->ok()) {
        QMessageBox::warning(owner, QObject::tr("No URL"), resolution->problem);
        return;
    }
    use(resolution->url, owner);
}

bool fire(QWidget* parent, OpenUrlAction openUrl, const QString& text, const QString& title,
          const DeeplinkCollection* collection, FiringDone done) {
    const std::optional<VariableResolver::Resolution> resolution = url(parent, text, collection);
    if (resolution)
        send(openUrl, text, title, *resolution, std::move(done));
    return resolution.has_value();
}

std::optional<QList<Variable>> askForAll(QWidget* parent, const QStringList& texts,
                                         const DeeplinkCollection* collection) {
    const QStringList missing = FiringUrl::missing(texts, collection);
    if (missing.isEmpty())
        return QList<Variable>();
    // Values are checked at each firing: one deeplink's bad host must not hold up the others.
    return VariablePrompt::ask(parent, missing, {});
}

void fireWith(const OpenUrlAction& openUrl, const QString& text, const QString& title,
              const DeeplinkCollection* collection, const QList<Variable>& typed, FiringDone done) {
    send(openUrl, text, title, FiringUrl::resolve(text, collection, typed), std::move(done));
}

} // namespace Firing
