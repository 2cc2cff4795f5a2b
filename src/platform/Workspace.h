#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Free functions that find applications installed on this machine by bundle identifier. On Linux an
// application is a desktop entry whose id ("<id>.desktop") equals the bundle identifier, looked up
// in the XDG applications directories in their order of precedence.
namespace Workspace {

// The desktop entry's path, or an empty text when no such application is installed. An
// identifier that could name a path (a "/" in it) is never looked up.
[[nodiscard]] QString applicationPath(const QString& bundleIdentifier);

// The icon of the application at `applicationPath` (its Icon key: a file path, or a name in
// the icon theme or the pixmaps directory), rendered at `size`; a null image when it has none.
// Uses the icon theme: call it on the GUI thread.
[[nodiscard]] QImage icon(const QString& applicationPath, QSize size);

} // namespace Workspace
