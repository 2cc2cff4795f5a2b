#include "emoji/EmojiFont.h"

#include <QCache>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace EmojiFont {

QFont font(int pixelSize)
{
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    return font;
}

QPixmap pixmap(const QString& text, int pixelSize, qreal devicePixelRatio)
{
    // Bounded by bytes: the whole catalogue at 2x stays well within it.
    static QCache<QString, QPixmap> cache(96 * 1024 * 1024);
    const QString key = QStringLiteral("%1|%2|%3").arg(text).arg(pixelSize).arg(devicePixelRatio);
    if (const QPixmap* cached = cache.object(key))
        return *cached;

    const QFont emojiFont = font(pixelSize);
    const QFontMetricsF metrics(emojiFont);
    const QSizeF size(std::max<qreal>(metrics.horizontalAdvance(text), pixelSize),
                      metrics.height());
    auto* image = new QPixmap((size * devicePixelRatio).toSize().expandedTo(QSize(1, 1)));
    image->setDevicePixelRatio(devicePixelRatio);
    image->fill(Qt::transparent);
    {
        QPainter painter(image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setFont(emojiFont);
        painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, text);
    }
    const QPixmap result = *image;
    const qsizetype cost = qsizetype(image->width()) * image->height() * 4;
    cache.insert(key, image, cost);
    return result;
}

} // namespace EmojiFont
