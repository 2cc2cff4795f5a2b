#pragma once

#include "execution/DeeplinkExecuter.h"

#include <QList>
#include <QString>

// Fires deeplinks one after another at one destination, as kestrine-cli's `open` and `run` do:
// one progress line each on standard error, a pause between two that are fired. SIGINT,
// SIGTERM or SIGHUP stops it after the request in flight; what was not reached is skipped.
class CollectionRun {
public:
    // A deeplink as the run sees it; an empty URL is skipped.
    struct Step {
        QString title{};
        QString url{};
    };
    struct Result {
        // Errored: the run could not start (no such collection, no destination), the why in
        // `message`.
        enum class Status { Ok, Failed, Skipped, Errored };
        Step step;
        Status status = Status::Skipped;
        double seconds = 0;
        QString message{}; // failed: the tool's message, one line; skipped: why
    };
    struct Options {
        DeeplinkExecuter::Target target{};
        int intervalMilliseconds = 0;
        bool stopOnFailure = false;
        // Progress lines read "[3/12] Title … ok 0.41 s"; without counting, "Title … ok …".
        bool counting = true;
    };
    struct Report {
        QList<Result> results;
        int stopSignal = 0; // the signal that stopped the run, 0 when it ran to its end
        [[nodiscard]] qsizetype count(Result::Status status) const;
    };

    CollectionRun() = delete;

    [[nodiscard]] static Report run(const QList<Step>& steps, const Options& options);

    // "ok", "failed", "skipped" or "error".
    [[nodiscard]] static QString statusName(Result::Status status);
};
