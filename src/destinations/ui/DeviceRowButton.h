#pragma once

#include "widgets/PickerRowDelegate.h"

// Item delegate that draws the rows of the destination list: a destination (its symbol, green
// mark and accent while booted, its name, its version or platform, a checkmark when it is the
// selected one), a section title, or the "No devices match" line.
class DeviceRowButton : public PickerRowDelegate {
    Q_OBJECT
public:
    using PickerRowDelegate::PickerRowDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;
};
