#include "window/ui/EmojiWell.h"

#include "emoji/EmojiFont.h"

#include <QPainter>

EmojiWell::EmojiWell(QWidget* parent)
    : QAbstractButton(parent)
    , m_selectedColor(palette().color(QPalette::Highlight)) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Icon"));
}

void EmojiWell::setEmoji(const QString& emoji) {
    m_emoji = emoji;
    setAccessibleDescription(emoji);
    update();
}

void EmojiWell::setSelectedColor(const QColor& color) {
    m_selectedColor = color;
    update();
}

void EmojiWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    QColor ring = m_selectedColor;
    if (isDown())
        ring = ring.darker(115);

    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, outerSize / 2.0 - 1, outerSize / 2.0 - 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ring);
    painter.drawEllipse(centre, innerSize / 2.0, innerSize / 2.0);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, outerSize / 2.0 + 0.5, outerSize / 2.0 + 0.5);
    }
    if (!m_emoji.isEmpty()) {
        const QImage glyph = EmojiFont::image(m_emoji, 22, devicePixelRatioF());
        const QSizeF size = glyph.deviceIndependentSize();
        painter.drawImage(QPointF(centre.x() - size.width() / 2, centre.y() - size.height() / 2),
                          glyph);
    }
}
