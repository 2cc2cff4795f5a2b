#pragma once

#include "execution/DeeplinkExecuter.h"

#include <QList>
#include <QString>

#include <optional>

// Fires deeplinks one after another at one destination, as kestrine-cli's `open` and `run` do:
// one progress line each on standard error, a pause between two that are fired. SIGINT,
// SIGTERM or SIGHUP stops it after the request in flight; what was not reached is skipped.
class CollectionRun {
public:
    // A deeplink as the run sees it; an empty URL is skipped.
    struct Step {
        QString title{};
        QString url{};      // what is fired, its placeholders filled in
        QString typedUrl{}; // as written, placeholders and all
    };
    struct Result {
        // Errored: the run could not start (no such collection, no destination), the why in
        // `message`.
        enum class Status { Ok, Failed, Skipped, Errored };
        Step step;
        Status status = Status::Skipped;
        double seconds = 0;
        // One line. Failed: why, then the outcome's notes; ok: a warning and the notes, if
        // any; skipped: why.
        QString message{};
        std::optional<FiringOutcome> outcome{}; // what the firing did; none when not fired
    };
    struct Options {
        DeeplinkExecuter::Target target{};
        int intervalMilliseconds = 0;
        bool stopOnFailure = false;
        // Progress lines read "[3/12] Title … ok 0.41 s: …"; without counting, "Title … ok …".
        bool counting = true;
        // An absolute path: each firing's screenshot goes there as "<index>-<title>.png".
        // "": none.
        QString screenshotDirectory{};
        // A package or bundle identifier: a firing that another app (or an unknown one) took
        // fails.
        std::optional<QString> expectedApp{};
        // Browser and chooser fail, rather than pass with a warning.
        bool strict = false;
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

    // Sets the status and message of a fired `result` from its outcome under `options`.
    static void judge(Result& result, const Options& options);
    // A result as its progress line ends, after "Title … ": "ok 0.41 s: Opened in …",
    // "warning 0.40 s: Fell back to …", "failed: …", "skipped: no URL". Escaped for a terminal.
    [[nodiscard]] static QString progress(const Result& result);
    // Whether `handler` ("com.example.shop/.ProductActivity", "com.example.shop") is the app
    // `id` names.
    [[nodiscard]] static bool isApp(const QString& handler, const QString& id);
};
