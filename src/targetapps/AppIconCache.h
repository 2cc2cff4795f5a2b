#pragma once

#include "platform/Logger.h"
#include "targetapps/InstalledApp.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <QCoro/QCoroTask>

#include <optional>

// App icons keyed by bundle identifier: the 50 most recently used in memory, every one ever
// stored as a PNG file in "AppIcons" inside the cache directory (AppPaths).
//
// Every operation runs on one private worker thread, one at a time and in the order they were
// called, so several icon passes can use the cache at once and file work never blocks the GUI.
// Failures (unreadable or undecodable files, failed writes) are logged and absorbed; callers
// only ever see an icon or none. Icons are kept, and written, at most `maxPixels()` square:
// larger ones are scaled down on the worker, keeping their aspect ratio.
class AppIconCache {
public:
    static constexpr qsizetype maxMemoryCacheSize = 50;

    // Keeps icons at most `maxPixels` square. Creates the "AppIcons" directory when it is
    // missing (a failure shows up later as failed writes).
    explicit AppIconCache(int maxPixels = drawnPixels());
    // Waits for operations already queued (a pending write still reaches the disk).
    ~AppIconCache();
    AppIconCache(const AppIconCache&) = delete;
    AppIconCache& operator=(const AppIconCache&) = delete;

    // The icon stored for `bundleIdentifier`, from memory or else from disk; a null image
    // when there is none.
    QCoro::Task<QImage> icon(QString bundleIdentifier);

    // Keeps `image` in memory and writes it to disk as PNG, replacing an earlier file. Returns
    // the image kept.
    QCoro::Task<QImage> store(QImage image, QString bundleIdentifier);

    // The keys held in memory, least recently used first.
    QCoro::Task<QStringList> accessOrder();

    [[nodiscard]] const QString& directory() const { return m_directory; }
    [[nodiscard]] int maxPixels() const { return m_maxPixels; }

    // The largest size an icon is drawn at, in device pixels: InstalledApp::largestIconSize
    // times the highest device pixel ratio among the screens (1 without a GUI application).
    [[nodiscard]] static int drawnPixels();

    // The file name for a key: "/" (and "\", a separator elsewhere) becomes "_" and ".png" is
    // appended. Keys come from a device, so an empty key or one holding NUL or another control
    // character gets no file at all: it lives in memory only.
    [[nodiscard]] static std::optional<QString> fileName(const QString& bundleIdentifier);

private:
    QImage iconNow(const QString& key);
    QImage storeNow(QImage image, const QString& key);
    void addToMemoryCache(const QImage& image, const QString& key);
    void touch(const QString& key);
    [[nodiscard]] std::optional<QString> filePath(const QString& key) const;

    Logger m_logger{QStringLiteral("Kestrine"), QStringLiteral("AppIconCache")};
    QString m_directory;
    int m_maxPixels;
    QHash<QString, QImage> m_memoryCache;
    QStringList m_cacheAccessOrder;
    // Declared last: destroyed first, so queued operations finish while the state still exists.
    QThreadPool m_queue;
};
