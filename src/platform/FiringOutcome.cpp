#include "platform/FiringOutcome.h"

#include <array>
#include <utility>

namespace {

using Result = FiringOutcome::Result;
using Launch = FiringOutcome::Launch;

constexpr std::array<std::pair<Result, QStringView>, 6> resultNames{{
    {Result::Opened, u"opened"},
    {Result::Browser, u"browser"},
    {Result::Chooser, u"chooser"},
    {Result::Delivered, u"delivered"},
    {Result::NoHandler, u"no-handler"},
    {Result::Failed, u"failed"},
}};

constexpr std::array<std::pair<Launch, QStringView>, 3> launchNames{{
    {Launch::Cold, u"cold"},
    {Launch::Warm, u"warm"},
    {Launch::Hot, u"hot"},
}};

// "Shop (com.example.shop/.ProductActivity)", "com.example.shop", or "" when nothing is known.
QString who(const FiringOutcome& outcome) {
    if (outcome.handlerName.isEmpty())
        return outcome.handler;
    if (outcome.handler.isEmpty() || outcome.handler == outcome.handlerName)
        return outcome.handlerName;
    return QStringLiteral("%1 (%2)").arg(outcome.handlerName, outcome.handler);
}

} // namespace

FiringOutcome FiringOutcome::failed(QString message) {
    return FiringOutcome{.result = Result::Failed, .message = std::move(message)};
}

QString FiringOutcome::resultName(Result result) {
    for (const auto& [value, name] : resultNames) {
        if (value == result)
            return name.toString();
    }
    return {};
}

std::optional<FiringOutcome::Result> FiringOutcome::resultNamed(QStringView name) {
    for (const auto& [value, known] : resultNames) {
        if (known == name)
            return value;
    }
    return std::nullopt;
}

QString FiringOutcome::launchName(Launch launch) {
    for (const auto& [value, name] : launchNames) {
        if (value == launch)
            return name.toString();
    }
    return {};
}

FiringOutcome::Launch FiringOutcome::launchNamed(QStringView name) {
    for (const auto& [value, known] : launchNames) {
        if (known == name)
            return value;
    }
    return Launch::Unknown;
}

QString FiringOutcome::summary(const QString& url) const {
    const QString handlerText = who(*this);
    QString text;
    switch (result) {
    case Result::Opened:
        text = handlerText.isEmpty() ? QStringLiteral("Opened")
                                     : QStringLiteral("Opened in %1").arg(handlerText);
        break;
    case Result::Browser:
        text = QStringLiteral("Fell back to %1: no app claims %2")
                   .arg(handlerText.isEmpty() ? QStringLiteral("the browser") : handlerText, url);
        break;
    case Result::Chooser:
        return QStringLiteral("Android asked which app should open it");
    case Result::Delivered:
        text = handlerText.isEmpty()
                   ? QStringLiteral("Delivered to the app already on screen")
                   : QStringLiteral("Delivered to %1, already on screen").arg(handlerText);
        break;
    case Result::NoHandler:
        return message.isEmpty() ? QStringLiteral("No app can open %1").arg(url)
                                 : message.simplified();
    case Result::Failed:
        return QStringLiteral("Failed: %1").arg(message.simplified());
    }
    if (launch != Launch::Unknown)
        text += QStringLiteral(", %1 start").arg(launchName(launch));
    if (totalTimeMs)
        text += QStringLiteral(", %1 ms").arg(*totalTimeMs);
    return text;
}
