#pragma once

#include "updates/AppcastItem.h"

#include <QString>

// What one update check found: Kestrine is up to date, a newer release exists, or the check
// failed (and why, in words meant for people). Built with designated initializers; the members a
// case does not use keep their defaults.
struct UpdateCheckResult {
    enum class Outcome { UpToDate, UpdateAvailable, Failed };
    enum class Failure {
        None,
        NotConfigured, // no usable feed address
        Unreachable,   // no network, server down, refused, timed out
        BadResponse,   // something answered, but not HTTP we understand
        HttpError,     // the server answered with an error status
        MalformedFeed, // the feed could not be read
    };

    Outcome outcome = Outcome::UpToDate;
    Failure failure = Failure::None;
    // The newest release of the feed (empty when there was none or the check failed).
    AppcastItem item;
    // The version that was checked against.
    QString currentVersion;
    int httpStatus = 0;
    // Technical detail for the log and the curious (Qt's error text, the parser's complaint).
    QString detail;

    // A headline and a sentence or two in plain words.
    [[nodiscard]] QString heading() const;
    [[nodiscard]] QString text() const;
};
