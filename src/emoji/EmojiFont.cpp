#include "emoji/EmojiFont.h"

#include <QCache>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

namespace EmojiFont {

namespace {

QCache<QString, QImage>& cache() {
    // Bounded by bytes: the whole catalogue at 2x stays well within it.
    static QCache<QString, QImage> images(96 * 1024 * 1024);
    return images;
}

void store(const QString& key, const QImage& image) {
    cache().insert(key, new QImage(image), qsizetype(image.sizeInBytes()));
}

} // namespace

QStringList preferredFamilies() {
    return {QStringLiteral("Apple Color Emoji"), QStringLiteral("Noto Color Emoji")};
}

QString chooseFamily(const QStringList& installed) {
    for (const QString& preferred : preferredFamilies()) {
        for (const QString& name : installed) {
            const QStringView family = QStringView(name).left(name.indexOf(QStringLiteral(" [")));
            if (family.compare(preferred, Qt::CaseInsensitive) == 0)
                return name;
        }
    }
    return {};
}

QString family() {
    static const QString chosen = chooseFamily(QFontDatabase::families());
    return chosen;
}

QFont font(int pixelSize) {
    const QString chosen = family();
    QFont font = chosen.isEmpty() ? QFont() : QFont(chosen);
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(
        chosen.isEmpty() ? QFont::PreferAntialias
                         : QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    return font;
}

QString cacheKey(const QString& text, int pixelSize, qreal devicePixelRatio) {
    return QStringLiteral("%1|%2|%3").arg(text).arg(pixelSize).arg(devicePixelRatio);
}

QImage render(const QString& text, int pixelSize, qreal devicePixelRatio) {
    const QFont emojiFont = font(pixelSize);
    const QFontMetricsF metrics(emojiFont);
    const QSizeF size(std::max<qreal>(metrics.horizontalAdvance(text), pixelSize),
                      metrics.height());
    QImage image((size * devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(emojiFont);
    painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, text);
    painter.end();
    return image;
}

QImage image(const QString& text, int pixelSize, qreal devicePixelRatio) {
    const QString key = cacheKey(text, pixelSize, devicePixelRatio);
    if (const QImage* cached = cache().object(key))
        return *cached;
    const QImage drawn = render(text, pixelSize, devicePixelRatio);
    store(key, drawn);
    return drawn;
}

bool isCached(const QString& key) {
    return cache().contains(key);
}

qsizetype cachedBytes() {
    return cache().totalCost();
}

void clearCache() {
    cache().clear();
}

void insert(const QHash<QString, QImage>& images) {
    for (auto it = images.cbegin(); it != images.cend(); ++it) {
        if (!cache().contains(it.key()))
            store(it.key(), it.value());
    }
}

} // namespace EmojiFont
