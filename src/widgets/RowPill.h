#pragma once

class QPainter;
class QRect;
class QStyleOptionViewItem;

// Painter of the rounded "pill" behind a row of the window's lists (collections, deeplinks): the
// accent under a selected row (faded while its list is not focused) and a faint tint under the
// mouse.
namespace RowPill {

// Paints the pill for `option`'s state into `pill`. Returns whether the row's text sits on the
// accent, where it takes the palette's highlighted text colour.
bool paint(QPainter* painter, const QStyleOptionViewItem& option, const QRect& pill);

} // namespace RowPill
