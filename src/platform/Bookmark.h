#pragma once

#include <QByteArray>
#include <QUrl>

// Free functions over a bookmark, a QByteArray that refers to a file or directory the user chose
// and outlives the process, standing in for the platform's security-scoped bookmarks: the canonical
// path plus the file's identity (device and inode) when the bookmark was made. Resolving fails when
// nothing is at the path any more; the bookmark is stale when something else is (the identity
// changed), and should be made again.
namespace Bookmark {

struct Resolved {
    QUrl url;
    bool isStale = false;
};

// The bookmark of the existing local file or directory `url`. Throws AppError (domain
// "Bookmark") when it does not exist or cannot be examined.
[[nodiscard]] QByteArray create(const QUrl& url);

// Where `bookmark` points now. Throws AppError (domain "Bookmark") when the data is not a
// bookmark or nothing is at its path.
[[nodiscard]] Resolved resolve(const QByteArray& bookmark);

// Starts access to a resolved location for the life of the process. Access is never
// restricted here, so it always succeeds; the call marks where a sandboxed build would ask.
bool startAccessing(const QUrl& url);

} // namespace Bookmark
