#include "widgets/PickerRowDelegate.h"

#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

#include <QApplication>
#include <QPainter>

PickerRowDelegate::Colors PickerRowDelegate::colors(const QStyleOptionViewItem& option) {
    // Title and message rows are not enabled items; they still use the active colours.
    QPalette palette = option.palette;
    palette.setCurrentColorGroup(QPalette::Active);
    Colors colors;
    colors.highlighted = option.state & QStyle::State_Selected;
    colors.secondary = TextStyle::secondary(palette);
    if (colors.highlighted) {
        colors.text = palette.color(QPalette::HighlightedText);
        colors.subdued = TextStyle::secondaryOnAccent(palette);
        colors.accent = colors.text;
    } else {
        colors.text = palette.color(QPalette::Text);
        colors.subdued = colors.secondary;
        colors.accent = palette.color(QPalette::Highlight);
    }
    return colors;
}

QSize PickerRowDelegate::messageSizeHint(const QStyleOptionViewItem& option) {
    const QFontMetrics metrics(TextStyle::font(TextStyle::Style::Caption));
    return {option.rect.width(), metrics.height() + 24};
}

void PickerRowDelegate::paintMessage(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QString& text) {
    // A message, not an item: clear background, centred.
    painter->save();
    painter->setFont(TextStyle::font(TextStyle::Style::Caption));
    painter->setPen(colors(option).secondary);
    painter->drawText(option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                      Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

void PickerRowDelegate::paintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
}

int PickerRowDelegate::paintCheckmark(QPainter* painter, const QRect& rect, const QColor& color) {
    const int size = QFontMetrics(TextStyle::font(TextStyle::Style::Caption)).height();
    const QPixmap check =
        SymbolImage::pixmap(QStringLiteral("checkmark"), size, color, devicePixelRatio(painter));
    painter->drawPixmap(QPoint(rect.right() - size + 1, rect.center().y() - size / 2 + 1), check);
    return rect.right() - size - 6;
}

qreal PickerRowDelegate::devicePixelRatio(const QPainter* painter) {
    return SymbolImage::devicePixelRatio(painter);
}
