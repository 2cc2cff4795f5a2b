#pragma once

#include <QString>

// Where Kestrine keeps what it writes: the store and screenshots, the settings, the icon cache
// and the single-instance socket. KESTRINE_HOME, an absolute path (a relative one is taken from
// the working directory), puts every one of them below that one directory, which is made for
// this user alone when missing; without it each goes to the platform's usual place. The app,
// kestrine-cli and every test go through here, so that a test sets one variable and no child
// process it starts can reach the user's real files, on any platform.
namespace AppPaths {

inline constexpr char homeVariable[] = "KESTRINE_HOME";

// KESTRINE_HOME, absolute and existing; empty when it is unset or empty.
[[nodiscard]] QString home();

// The store and the screenshots: the home, else the platform's application data directory.
[[nodiscard]] QString dataDirectory();

// Files that may be lost at any time (app icons): "Cache" in the home, else the platform's
// cache directory.
[[nodiscard]] QString cacheDirectory();

// The settings file `name` ("Kestrine.conf") in the home; empty without a home, when the
// platform's own settings are used.
[[nodiscard]] QString settingsFile(const QString& name);

// Where the single-instance socket goes first: the home, else the session's runtime directory
// (XDG_RUNTIME_DIR); empty when there is neither.
[[nodiscard]] QString runtimeDirectory();

} // namespace AppPaths
