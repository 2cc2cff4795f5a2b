#include "emoji/ui/EmojiGridDelegate.h"

#include "emoji/EmojiFont.h"
#include "emoji/EmojiGridModel.h"
#include "emoji/ui/SectionHeader.h"
#include "platform/SymbolImage.h"

#include <QPainter>

EmojiGridDelegate::EmojiGridDelegate(QObject* parent)
    : QStyledItemDelegate(parent) {}

void EmojiGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (index.data(EmojiGridModel::IsHeaderRole).toBool()) {
        if (index.column() == 0) {
            SectionHeader(index.data().toString(), SectionHeader::title3Font(option.font))
                .paint(painter, option.rect, option.palette);
        }
        return;
    }
    const QString text = index.data().toString();
    if (text.isEmpty())
        return;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const bool hovered = option.state & QStyle::State_MouseOver;
    const bool current =
        (option.state & QStyle::State_HasFocus) && option.widget && option.widget->hasFocus();
    if (hovered || current) {
        QColor highlight = option.palette.color(QPalette::Highlight);
        highlight.setAlphaF(hovered ? 0.22 : 0.35);
        painter->setPen(Qt::NoPen);
        painter->setBrush(highlight);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 6, 6);
    }
    const qreal ratio = SymbolImage::devicePixelRatio(painter);
    const QImage glyph = EmojiFont::image(text, glyphSize, ratio);
    const QSizeF size = glyph.deviceIndependentSize();
    const QPointF origin(option.rect.x() + (option.rect.width() - size.width()) / 2,
                         option.rect.y() + (option.rect.height() - size.height()) / 2);
    painter->drawImage(origin, glyph);
    painter->restore();
}

QSize EmojiGridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {cellSize, cellSize};
}
