#include "cli/CollectionRun.h"

#include "cli/CliOutput.h"
#include "cli/CliStopSignals.h"
#include "platform/AppError.h"
#include "platform/StandardOutput.h"
#include "platform/TaskOutcome.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace {

using Result = CollectionRun::Result;
using Status = Result::Status;

// Fires one URL; a failure's message (one line) when it fails.
std::optional<QString> fire(const QString& url, const DeeplinkExecuter::Target& target) {
    FiringOutcome outcome;
    try {
        outcome = waitForResult(DeeplinkExecuter::openURL(url, target));
    } catch (...) {
        // Tool messages end in a newline and may span several lines.
        return localizedDescription(std::current_exception()).simplified();
    }
    if (outcome.isFailure())
        return outcome.message.simplified();
    return std::nullopt;
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
        line += StandardOutput::escaped(result.step.title) + QStringLiteral(" \u2026 ");
        if (result.step.url.isEmpty()) {
            result.message = QStringLiteral("no URL");
            line += QStringLiteral("skipped: no URL");
        } else {
            QElapsedTimer clock;
            clock.start();
            const std::optional<QString> failure = fire(result.step.url, options.target);
            result.seconds = double(clock.elapsed()) / 1000;
            fired = true;
            if (failure) {
                result.status = Status::Failed;
                result.message = *failure;
                line += QStringLiteral("failed: ") + StandardOutput::escaped(*failure);
                stopped = options.stopOnFailure;
            } else {
                result.status = Status::Ok;
                line += QStringLiteral("ok %1 s").arg(result.seconds, 0, 'f', 2);
            }
        }
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
