#include "cli/CollectionRun.h"

#include "cli/CliOutput.h"
#include "cli/CliStopSignals.h"
#include "platform/AppError.h"
#include "platform/StandardOutput.h"
#include "platform/TaskOutcome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {

using Result = CollectionRun::Result;
using Status = Result::Status;

// Fires one URL; a tool's failure comes back as a failed outcome.
FiringOutcome fire(const QString& url, const DeeplinkExecuter::Target& target) {
    try {
        return waitForResult(DeeplinkExecuter::openURL(url, target));
    } catch (...) {
        // Tool messages end in a newline and may span several lines.
        return FiringOutcome::failed(localizedDescription(std::current_exception()).simplified());
    }
}

// Waits `milliseconds` unless a stop signal comes first.
void pause(int milliseconds, CliStopSignals& stopSignals) {
    if (milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    QObject::connect(&stopSignals, &CliStopSignals::received, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

qsizetype CollectionRun::Report::count(Result::Status status) const {
    return std::count_if(results.cbegin(), results.cend(),
                         [status](const Result& result) { return result.status == status; });
}

QString CollectionRun::statusName(Result::Status status) {
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::Failed:
        return QStringLiteral("failed");
    case Status::Skipped:
        return QStringLiteral("skipped");
    case Status::Errored:
        return QStringLiteral("error");
    }
    return {};
}

bool CollectionRun::isApp(const QString& handler, const QString& id) {
    // An Android component names its package before the slash; "com.example" is not
    // "com.example.shop".
    return !handler.isEmpty() && handler.section(u'/', 0, 0) == id;
}

void CollectionRun::judge(Result& result, const Options& options) {
    const FiringOutcome& outcome = *result.outcome;
    const QString& url = result.step.url;
    if (outcome.isFailure()) {
        result.status = Status::Failed;
        result.message = outcome.result == FiringOutcome::Result::Failed
                             ? outcome.message.simplified()
                             : outcome.summary(url);
        return;
    }
    QString failure;
    if (options.expectedApp && !isApp(outcome.handler, *options.expectedApp)) {
        failure =
            QStringLiteral("opened by %1, expected %2")
                .arg(outcome.handler.isEmpty() ? QStringLiteral("an unknown app") : outcome.handler,
                     *options.expectedApp);
    } else if (outcome.isWarning() && options.strict) {
        failure = outcome.summary(url);
    }
    QStringList remarks = outcome.notes;
    if (!failure.isEmpty())
        remarks.prepend(failure);
    else if (outcome.isWarning())
        remarks.prepend(outcome.summary(url));
    result.status = failure.isEmpty() ? Status::Ok : Status::Failed;
    result.message = remarks.join(QStringLiteral("; ")).simplified();
}

QString CollectionRun::progress(const Result& result) {
    QString text = statusName(result.status) + QStringLiteral(": ");
    if (result.status == Status::Ok) {
        const FiringOutcome& outcome = *result.outcome;
        const QStringList said = QStringList{outcome.summary(result.step.url)} + outcome.notes;
        text = QStringLiteral("%1 %2 s: ")
                   .arg(outcome.isWarning() ? QStringLiteral("warning") : QStringLiteral("ok"))
                   .arg(result.seconds, 0, 'f', 2);
        return text + StandardOutput::escaped(said.join(QStringLiteral("; ")).simplified());
    }
    return text + StandardOutput::escaped(result.message);
}

CollectionRun::Report CollectionRun::run(const QList<Step>& steps, const Options& options) {
    // The command's own when it has one: a signal may have come while it listed destinations.
    std::optional<CliStopSignals> own;
    CliStopSignals* stopSignals = CliStopSignals::current();
    if (!stopSignals)
        stopSignals = &own.emplace();
    Report report;
    report.stopSignal = stopSignals->first();
    const QObject whileRunning;
    QObject::connect(stopSignals, &CliStopSignals::received, &whileRunning,
                     [&report](int signalNumber) { report.stopSignal = signalNumber; });

    bool fired = false;
    bool stopped = false;
    qsizetype notReached = 0;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        Result result{.step = steps.at(i)};
        if (fired && !stopped && report.stopSignal == 0 && !result.step.url.isEmpty())
            pause(options.intervalMilliseconds, *stopSignals);
        if (report.stopSignal != 0)
            stopped = true;
        if (stopped) {
            // One line for all of them below, not one each.
            result.message = QStringLiteral("not reached");
            report.results.append(result);
            ++notReached;
            continue;
        }
        QString line =
            options.counting ? QStringLiteral("[%1/%2] ").arg(i + 1).arg(steps.size()) : QString();
        line += StandardOutput::escaped(result.step.title);
        // A URL with placeholders says what it became.
        if (!result.step.typedUrl.isEmpty() && result.step.url != result.step.typedUrl &&
            result.step.url != result.step.title)
            line += QStringLiteral(": ") + StandardOutput::escaped(result.step.url);
        line += QStringLiteral(" \u2026 ");
        if (result.step.url.isEmpty()) {
            result.message = QStringLiteral("no URL");
        } else {
            DeeplinkExecuter::Target target = options.target;
            std::optional<QString> refused;
            if (!options.screenshotDirectory.isEmpty()) {
                target.screenshotPath = QDir(options.screenshotDirectory)
                                            .filePath(DeeplinkExecuter::screenshotFileName(
                                                int(i + 1), result.step.title));
                // A link planted in a shared directory would have the capture overwrite its
                // target.
                if ((refused = CliOutput::refusedDestination(target.screenshotPath)))
                    target.screenshotPath.clear();
            }
            QElapsedTimer clock;
            clock.start();
            result.outcome = fire(result.step.url, target);
            result.seconds = double(clock.elapsed()) / 1000;
            if (refused)
                result.outcome->notes.append(QStringLiteral("No screenshot: ") + *refused);
            fired = true;
            judge(result, options);
            stopped = result.status == Status::Failed && options.stopOnFailure;
        }
        line += progress(result);
        CliOutput::write(stderr, line + u'\n');
        report.results.append(result);
    }
    if (notReached > 0) {
        CliOutput::write(stderr, (report.stopSignal != 0 ? QStringLiteral("Interrupted")
                                                         : QStringLiteral("Stopped at a failure")) +
                                     QStringLiteral(": %1 not reached\n").arg(notReached));
    }
    return report;
}
