#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// Where Kestrine keeps its user defaults. The standard defaults are the organisation's
// QSettings; the application-group suite (shared with other Kestrine components) is a
// second file. Tests redirect both into a temporary directory before touching them.
namespace AppSettings {

// The standard user defaults.
[[nodiscard]] std::unique_ptr<QSettings> standard();

// The application-group defaults suite.
[[nodiscard]] std::unique_ptr<QSettings> applicationGroup();

// Sends every settings file below `directory` from now on (tests and demos only).
void redirectTo(const QString& directory);

} // namespace AppSettings
