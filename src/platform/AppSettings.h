#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// Where Kestrine keeps its user defaults. The standard defaults are the organisation's
// QSettings; the application-group suite (shared with other Kestrine components) is a
// second file. Under KESTRINE_HOME both are INI files there (AppPaths), which is how tests
// keep them away from the user's: the Mac's native preferences cannot be redirected.
namespace AppSettings {

// The standard user defaults.
[[nodiscard]] std::unique_ptr<QSettings> standard();

// The application-group defaults suite.
[[nodiscard]] std::unique_ptr<QSettings> applicationGroup();

} // namespace AppSettings
