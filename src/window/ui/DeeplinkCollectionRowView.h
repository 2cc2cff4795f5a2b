#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class DeeplinkCollection;

// QStyledItemDelegate that paints one row of the collection list: a badge (the emoji, or the "link"
// symbol) on a circle of the collection's colour, the name ("NA" without one) and the number of
// deeplinks. Section rows of the list are drawn as the headers "Pinned" and "My Collections".
class DeeplinkCollectionRowView : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DeeplinkCollectionRowView(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // What a row shows, for the painter and for assistive technology.
    [[nodiscard]] static QString displayName(const DeeplinkCollection& collection);
    [[nodiscard]] static QString countText(const DeeplinkCollection& collection);
    // The collection's stored colour (sRGB components and opacity, clamped to 0...1).
    [[nodiscard]] static QColor color(const DeeplinkCollection& collection);
    // The badge symbol when the collection has no emoji, else empty.
    [[nodiscard]] static QString badgeSymbol(const DeeplinkCollection& collection);
    // What a screen reader reads for a row: the header's title, or "name, N deeplinks" and
    // ", pinned" when it is.
    [[nodiscard]] static QString accessibleText(const QModelIndex& index);
    // "Pinned" for the pinned section key, "My Collections" otherwise.
    [[nodiscard]] static QString sectionTitle(const QString& sectionKey);
};
