#pragma once

#include "execution/OpenUrlAction.h"
#include "store/Variable.h"
#include "store/VariableResolver.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Deeplink;
class DeeplinkCollection;
class QWidget;

// The one route from a deeplink's stored text to the URL the window fires: variables filled
// from the collection's active environment and the global variables (FiringUrl), the prompt
// (VariablePrompt) asked for the rest. A text that no value can turn into a URL goes to the
// open-URL action as a request with its problem, which reports it like a failed firing.
namespace Firing {

// The URL a firing of `text`, of a deeplink of `collection` (null for a typed URL), uses; the
// prompt comes up over `parent` when variables have no value. None: the user cancelled. A
// resolution that is not ok() has no URL whatever the values: its problem says why.
[[nodiscard]] std::optional<VariableResolver::Resolution> url(QWidget* parent, const QString& text,
                                                              const DeeplinkCollection* collection);

// Hands `use` the URL a firing of `deeplink` uses, for its QR code or its command: url() with
// the deeplink's text and collection, and `parent` to show things over. Nothing happens when
// there is no deeplink, when cancelled, when the deeplink or `parent` went while the prompt was
// up, or when there is no URL (a message box over `parent` says why).
void withUrlFor(QWidget* parent, const Deeplink* deeplink,
                const std::function<void(const QString& url, QWidget* parent)>& use);

// Fires `text` through `openUrl` (a copy: the view that handed it may go while the prompt is
// up) with the URL url() gives; false, nothing fired, when cancelled.
bool fire(QWidget* parent, OpenUrlAction openUrl, const QString& text, const QString& title,
          const DeeplinkCollection* collection, FiringDone done = {});

// Before an automated run: the prompt, once, for what any of `texts` lacks. None: cancelled.
[[nodiscard]] std::optional<QList<Variable>> askForAll(QWidget* parent, const QStringList& texts,
                                                       const DeeplinkCollection* collection);

// Fires `text` with `typed` as the prompt's values, asking nothing: a variable still without a
// value is reported as the firing's failure.
void fireWith(const OpenUrlAction& openUrl, const QString& text, const QString& title,
              const DeeplinkCollection* collection, const QList<Variable>& typed,
              FiringDone done = {});

} // namespace Firing
