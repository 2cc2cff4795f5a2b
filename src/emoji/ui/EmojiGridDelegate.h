#pragma once

#include <QStyledItemDelegate>

// Paints the emoji grid: header rows as a SectionHeader, emoji cells as colour glyphs on a
// rounded highlight when hovered or current.
class EmojiGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int cellSize = 40;
    static constexpr int glyphSize = 26;

    explicit EmojiGridDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
