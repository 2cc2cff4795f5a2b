#pragma once

#include <QStyledItemDelegate>

// QStyledItemDelegate base of the toolbar pickers' rows: the row background as the platform
// draws it (hover, keyboard highlight), the list's centred message row ("No ... match"), the
// checkmark at the trailing end of the chosen row, and the colours of a row on and off the
// highlight. Subclasses draw what a row of theirs shows between those.
class PickerRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    static constexpr int horizontalPadding = 10;

    struct Colors {
        bool highlighted = false;
        QColor text;
        // Details: the secondary text colour, or the highlighted text a little faded.
        QColor subdued;
        // Marks of the chosen or running item: the accent, the highlighted text on the highlight.
        QColor accent;
        // Secondary text on message and title rows, which are never highlighted.
        QColor secondary;
    };
    [[nodiscard]] static Colors colors(const QStyleOptionViewItem& option);

    [[nodiscard]] static QSize messageSizeHint(const QStyleOptionViewItem& option);
    static void paintMessage(QPainter* painter, const QStyleOptionViewItem& option,
                             const QString& text);
    void paintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;
    // Draws the checkmark at the right end of `rect`; returns where what follows must end.
    static int paintCheckmark(QPainter* painter, const QRect& rect, const QColor& color);
    [[nodiscard]] static qreal devicePixelRatio(const QPainter* painter);
};
