#include "targetapps/AppIconCache.h"

#include "platform/AppPaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

#include <QCoro/QCoroFuture>

namespace {

QString cacheDirectory() {
    return QDir(AppPaths::cacheDirectory()).filePath(QStringLiteral("AppIcons"));
}

// `size` scaled down, keeping its aspect ratio, to fit `maxPixels` square; as it is when it fits.
QSize fitting(QSize size, int maxPixels) {
    if (size.width() <= maxPixels && size.height() <= maxPixels)
        return size;
    return size.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage fitted(QImage image, int maxPixels) {
    const QSize size = fitting(image.size(), maxPixels);
    if (size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

int AppIconCache::drawnPixels() {
    // Not qGuiApp: it is a plain cast, wrong under a QCoreApplication (the command line).
    const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const qreal ratio = application ? application->devicePixelRatio() : 1.0;
    return int(std::ceil(InstalledApp::largestIconSize * ratio));
}

AppIconCache::AppIconCache(int maxPixels)
    : m_directory(cacheDirectory())
    , m_maxPixels(maxPixels) {
    // One job at a time, in the order queued: the pool is the actor's mailbox.
    m_queue.setMaxThreadCount(1);
    m_queue.setObjectName(QStringLiteral("AppIconCache"));
    (void)QDir().mkpath(m_directory);
}

AppIconCache::~AppIconCache() {
    m_queue.waitForDone();
}

QCoro::Task<QImage> AppIconCache::icon(QString bundleIdentifier) {
    // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
    auto read = [this, key = std::move(bundleIdentifier)] { return iconNow(key); };
    co_return co_await QtConcurrent::run(&m_queue, std::move(read));
}

QCoro::Task<QImage> AppIconCache::store(QImage image, QString bundleIdentifier) {
    // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
    auto write = [this, image = std::move(image), key = std::move(bundleIdentifier)]() mutable {
        return storeNow(std::move(image), key);
    };
    co_return co_await QtConcurrent::run(&m_queue, std::move(write));
}

QCoro::Task<QStringList> AppIconCache::accessOrder() {
    co_return co_await QtConcurrent::run(&m_queue, [this] { return m_cacheAccessOrder; });
}

std::optional<QString> AppIconCache::fileName(const QString& bundleIdentifier) {
    if (bundleIdentifier.isEmpty())
        return std::nullopt;
    QString name = bundleIdentifier;
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt; // NUL would cut the path short at the system call
        if (c == u'/' || c == u'\\')
            c = u'_';
    }
    // With no separator left and ".png" appended the name can never be "." or "..".
    return name + QStringLiteral(".png");
}

std::optional<QString> AppIconCache::filePath(const QString& key) const {
    const std::optional<QString> name = fileName(key);
    if (!name)
        return std::nullopt;
    const QString path = QDir(m_directory).filePath(*name);
    // Belt and braces: whatever the key, the file sits directly inside the directory.
    if (QFileInfo(path).absolutePath() != QFileInfo(m_directory).absoluteFilePath())
        return std::nullopt;
    return path;
}

void AppIconCache::touch(const QString& key) {
    m_cacheAccessOrder.removeOne(key);
    m_cacheAccessOrder.append(key);
}

void AppIconCache::addToMemoryCache(const QImage& image, const QString& key) {
    touch(key);
    m_memoryCache.insert(key, image);
    while (m_memoryCache.size() > maxMemoryCacheSize) {
        if (m_cacheAccessOrder.isEmpty())
            break;
        const QString evicted = m_cacheAccessOrder.takeFirst();
        m_memoryCache.remove(evicted);
        m_logger.debug(u"Evicted %{public}s from memory cache (LRU)", evicted);
    }
}

QImage AppIconCache::iconNow(const QString& key) {
    if (const auto it = m_memoryCache.constFind(key); it != m_memoryCache.constEnd()) {
        const QImage image = *it;
        touch(key);
        m_logger.debug(u"Retrieved icon for %{public}s from memory cache", key);
        return image;
    }
    const std::optional<QString> path = filePath(key);
    if (!path || !QFileInfo(*path).isFile())
        return {};
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Files of earlier versions may hold the icon at full size: decoded straight to the size
    // kept, so the full image is never held.
    QImageReader reader(&file);
    if (const QSize size = reader.size(); size.isValid())
        reader.setScaledSize(fitting(size, m_maxPixels));
    const QImage image = fitted(reader.read(), m_maxPixels); // for a format without scaling
    if (image.isNull())
        return {};
    addToMemoryCache(image, key);
    m_logger.debug(u"Retrieved icon for %{public}s from disk cache", key);
    return image;
}

QImage AppIconCache::storeNow(QImage image, const QString& key) {
    image = fitted(std::move(image), m_maxPixels);
    addToMemoryCache(image, key);
    const std::optional<QString> path = filePath(key);

    QByteArray png;
    if (!image.isNull()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image))
            png.clear();
    }
    if (png.isEmpty()) {
        m_logger.error(u"Failed to convert image to PNG for %{public}s", key);
        return image;
    }
    if (!path) {
        m_logger.error(u"Failed to write icon cache for %{public}s: %{public}s", key,
                       QStringLiteral("The bundle identifier cannot name a cache file"));
        return image;
    }
    QFile file(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_logger.error(u"Failed to write icon cache for %{public}s: %{public}s", key,
                       file.errorString());
        return image;
    }
    if (file.write(png) != png.size() || !file.flush()) {
        m_logger.error(u"Failed to write icon cache for %{public}s: %{public}s", key,
                       file.errorString());
        return image;
    }
    file.close();
    m_logger.info(u"Cached icon for %{public}s to disk", key);
    return image;
}
