#pragma once

#include "cli/CollectionRun.h"

#include <QString>

// A run as a JUnit XML report, the shape CI servers read: one <testsuite> named after the
// collection, one <testcase> per deeplink (its title, the collection as classname, seconds),
// <failure message="…"> with the tool's message, <skipped/> for those not fired, <error/> with
// the reason for a run that could not start. A fired one carries what the firing did as
// <properties> and its screenshot as an [[ATTACHMENT|path]] line in <system-out>.
class JUnitReport {
public:
    JUnitReport() = delete;

    // Writes the report to `path` atomically; the reason when it cannot.
    [[nodiscard]] static std::optional<QString>
    write(const QString& path, const QString& collection, const CollectionRun::Report& report);

    // `text` with what XML 1.0 cannot carry (control characters, unpaired surrogates,
    // U+FFFE/U+FFFF) replaced by U+FFFD: a title may hold anything, a report must parse.
    [[nodiscard]] static QString xmlSafe(const QString& text);
};
