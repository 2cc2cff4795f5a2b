#pragma once

#include <QStyledItemDelegate>

class InstalledApp;

// Draws one row of the app list: the app's icon (or a placeholder) 32 points square with
// rounded corners, its name over its bundle identifier, its version at the trailing end and a
// checkmark on the selected app. Also draws the list's "No apps match" row.
class AppRowButton : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int iconSize = 32;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

    // The 32-point icon of an app as drawn in a row, at `devicePixelRatio`; without an image of
    // its own, a placeholder in `tint`.
    [[nodiscard]] static QPixmap iconPixmap(const InstalledApp& app, const QColor& tint,
                                            qreal devicePixelRatio);
};
