#include "widgets/RowPill.h"

#include "widgets/TextStyle.h"

#include <QPainter>
#include <QStyleOptionViewItem>

namespace RowPill {

namespace {

constexpr qreal radius = 6;

} // namespace

bool paint(QPainter* painter, const QStyleOptionViewItem& option, const QRect& pill) {
    const bool selected = option.state & QStyle::State_Selected;
    const bool active = option.state & QStyle::State_Active;
    QColor fill;
    if (selected) {
        fill = active ? option.palette.color(QPalette::Active, QPalette::Highlight)
                      : TextStyle::inactiveSelection(option.palette);
    } else if (option.state & QStyle::State_MouseOver) {
        fill = TextStyle::hover(option.palette);
    }
    if (fill.isValid()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(pill, radius, radius);
        painter->restore();
    }
    return selected && active;
}

} // namespace RowPill
