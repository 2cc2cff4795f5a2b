#pragma once

#include "widgets/PickerRowDelegate.h"

// Item delegate that draws the rows of the destination list: a destination (its symbol, green
// mark and accent while booted, its name, its version or platform, a checkmark when it is the
// selected one), a section title, the "No devices match" line, or a tool that failed (a warning
// symbol, "<tool> failed" and why, with room for a Retry button at the end).
class DeviceRowButton : public PickerRowDelegate {
    Q_OBJECT
public:
    using PickerRowDelegate::PickerRowDelegate;

    // The width left free at the end of a failure row for its Retry button in `font`, and the
    // button's distance from the row's end.
    [[nodiscard]] static int retryButtonWidth(const QFont& font);
    static constexpr int retryButtonInset = horizontalPadding;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

private:
    static void paintFailure(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index);
};
