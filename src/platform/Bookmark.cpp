#include "platform/Bookmark.h"

#include "platform/AppError.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace {

const QString domain = QStringLiteral("Bookmark");

enum Code { NoSuchFile = 4, Corrupt = 259 };

struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return Identity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

AppError noSuchFile(const QString& path) {
    return AppError(
        domain, NoSuchFile,
        QStringLiteral("The file “%1” couldn’t be opened because there is no such file.")
            .arg(QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName()));
}

} // namespace

namespace Bookmark {

QByteArray create(const QUrl& url) {
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    if (path.isEmpty())
        throw AppError(domain, NoSuchFile,
                       QStringLiteral("“%1” is not a file on this computer.").arg(url.toString()));
    // Symbolic links are followed: the bookmark names what the user actually reached.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const std::optional<Identity> identity =
        canonical.isEmpty() ? std::nullopt : identityOf(canonical);
    if (!identity)
        throw noSuchFile(path);

    QJsonObject object;
    object.insert(QStringLiteral("path"), canonical);
    // Decimal text: the values may exceed what a JSON number holds exactly.
    object.insert(QStringLiteral("device"), QString::number(identity->device));
    object.insert(QStringLiteral("inode"), QString::number(identity->inode));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Resolved resolve(const QByteArray& bookmark) {
    const QJsonObject object = QJsonDocument::fromJson(bookmark).object();
    const QString path = object.value(QStringLiteral("path")).toString();
    bool deviceOk = false;
    bool inodeOk = false;
    const Identity stored{object.value(QStringLiteral("device")).toString().toULongLong(&deviceOk),
                          object.value(QStringLiteral("inode")).toString().toULongLong(&inodeOk)};
    if (path.isEmpty() || !QFileInfo(path).isAbsolute() || !deviceOk || !inodeOk)
        throw AppError(domain, Corrupt,
                       QStringLiteral("The bookmark data isn’t in the correct format."));

    const QString canonical = QFileInfo(path).canonicalFilePath();
    const std::optional<Identity> current =
        canonical.isEmpty() ? std::nullopt : identityOf(canonical);
    if (!current)
        throw noSuchFile(path);
    // The path now leads elsewhere (a symbolic link changed) or to another file that took
    // the old one's place: still usable, but the bookmark should be made again.
    return {QUrl::fromLocalFile(canonical), canonical != path || *current != stored};
}

bool startAccessing(const QUrl& url) {
    return url.isLocalFile();
}

} // namespace Bookmark
