#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QStandardPaths>

namespace {

// The Icon key of the [Desktop Entry] group, unlocalised.
QString iconKey(const QString& desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    // Desktop entries are small; a runaway file is cut off rather than read whole.
    constexpr qint64 maxLineLength = 64 * 1024;
    for (int lines = 0; lines < 10000 && !file.atEnd(); ++lines) {
        const QString line = QString::fromUtf8(file.readLine(maxLineLength)).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == u"[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith(u"Icon"))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || QStringView(line).left(equals).trimmed() != u"Icon")
            continue;
        return line.mid(equals + 1).trimmed();
    }
    return {};
}

QImage imageFromFile(const QString& path, QSize size) {
    QImageReader reader(path);
    if (!reader.canRead())
        return {};
    // Scalable formats render sharp at the size asked for; bitmaps are scaled afterwards.
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != size)
        image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

namespace Workspace {

QString applicationPath(const QString& bundleIdentifier) {
    if (bundleIdentifier.isEmpty() || bundleIdentifier.contains(u'/') ||
        bundleIdentifier.contains(QChar(0)))
        return {};
    const QString fileName = bundleIdentifier + QStringLiteral(".desktop");
    const QStringList directories =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& directory : directories) {
        const QFileInfo entry(QDir(directory).filePath(fileName));
        if (entry.isFile() && entry.isReadable())
            return entry.absoluteFilePath();
    }
    return {};
}

QImage icon(const QString& applicationPath, QSize size) {
    if (applicationPath.isEmpty() || !QFileInfo::exists(applicationPath))
        return {};
    const QString name = iconKey(applicationPath);
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return imageFromFile(name, size);

    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) {
        const QImage image = themed.pixmap(size).toImage();
        if (!image.isNull())
            return image;
    }
    // Entries may still name a file in the legacy pixmaps directory.
    for (const QString& directory :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        for (const char* suffix : {".png", ".svg", ".xpm", ""}) {
            const QString path =
                directory + QStringLiteral("/pixmaps/") + name + QString::fromLatin1(suffix);
            if (QFileInfo(path).isFile()) {
                if (QImage image = imageFromFile(path, size); !image.isNull())
                    return image;
            }
        }
    }
    return {};
}

} // namespace Workspace
