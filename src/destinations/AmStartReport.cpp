#include "destinations/AmStartReport.h"

#include "destinations/AndroidComponent.h"

namespace {

constexpr QStringView deliveredLine =
    u"Warning: Activity not started, intent has been delivered to currently running top-most";
constexpr QStringView unresolvedLine = u"Error: Activity not started, unable to resolve Intent";

std::optional<qint64> milliseconds(QStringView value) {
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok && number >= 0 ? std::optional<qint64>(number) : std::nullopt;
}

} // namespace

AmStartReport AmStartReport::parse(const QString& output) {
    AmStartReport report;
    for (const QStringView untrimmed : QStringView(output).split(u'\n')) {
        const QStringView line = untrimmed.trimmed();
        if (line.startsWith(deliveredLine)) {
            report.delivered = true;
            continue;
        }
        if (line.startsWith(u"Warning:")) {
            report.warnings.append(line.toString());
            continue;
        }
        if (line.startsWith(unresolvedLine)) {
            if (report.unresolved.isEmpty())
                report.unresolved = line.toString();
            continue;
        }
        const qsizetype colon = line.indexOf(u": ");
        if (colon <= 0)
            continue;
        const QStringView key = line.left(colon);
        const QStringView value = line.sliced(colon + 2).trimmed();
        if (key == u"Status")
            report.status = value.toString();
        else if (key == u"LaunchState")
            report.launchState = value.toString();
        else if (key == u"Activity")
            report.activity = value.toString();
        else if (key == u"TotalTime")
            report.totalTime = milliseconds(value);
        else if (key == u"WaitTime")
            report.waitTime = milliseconds(value);
        else if (key == u"ThisTime")
            report.thisTime = milliseconds(value);
    }
    return report;
}

FiringOutcome AmStartReport::outcome(const QString& package) const {
    using Result = FiringOutcome::Result;
    if (!unresolved.isEmpty())
        return FiringOutcome{.result = Result::NoHandler, .message = unresolved};
    const std::optional<AndroidComponent> component = AndroidComponent::parse(activity);
    if (component && component->isChooser())
        return FiringOutcome{.result = Result::Chooser};
    FiringOutcome outcome{.result = delivered ? Result::Delivered : Result::Opened,
                          .handler = component ? component->text() : package,
                          .notes = warnings};
    // RELAUNCH (an activity recreated in its running process) and UNKNOWN stay unknown.
    outcome.launch = FiringOutcome::launchNamed(launchState.toLower());
    // TotalTime is the launch as the user sees it; older Androids may print only the others.
    outcome.totalTimeMs = totalTime ? totalTime : thisTime ? thisTime : waitTime;
    if (!status.isEmpty() && status != u"ok")
        outcome.notes.append(
            QStringLiteral("Android did not report the launch as finished (status: %1)")
                .arg(status));
    return outcome;
}
