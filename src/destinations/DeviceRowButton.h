#pragma once

#include "destinations/Device.h"

#include <QStyledItemDelegate>

// Draws the rows of the destination list: a destination (its symbol, green mark and accent
// while booted, its name, its version or platform, a checkmark when it is the selected one),
// a section title, or the "No devices match" line.
class DeviceRowButton : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

    // The list-row symbol for a destination, chosen from its name.
    [[nodiscard]] static QString symbolName(const Device& device);
};
