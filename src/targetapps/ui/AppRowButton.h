#pragma once

#include "targetapps/InstalledApp.h"
#include "widgets/PickerRowDelegate.h"

// Item delegate that draws one row of the app list: the app's icon (or a placeholder) 32 points
// square with rounded corners, its name over its bundle identifier, its version at the trailing
// end and a checkmark on the selected app. Also draws the list's "No apps match" row.
class AppRowButton : public PickerRowDelegate {
    Q_OBJECT
public:
    static constexpr int iconSize = InstalledApp::largestIconSize;

    using PickerRowDelegate::PickerRowDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

    // An app icon `size` points square with rounded corners, at `devicePixelRatio`: `icon`, or
    // without one a placeholder symbol in `tint` (also the toolbar button's icon).
    [[nodiscard]] static QPixmap iconPixmap(const QImage& icon, const QString& placeholder,
                                            int size, const QColor& tint, qreal devicePixelRatio);
};
