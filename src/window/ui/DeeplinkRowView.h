#pragma once

#include <QStyledItemDelegate>

class Deeplink;
class QAbstractItemView;
class QTextLayout;

// QStyledItemDelegate that paints one deeplink of the collection detail list: the title with each
// word capitalised ("NA" without one) over the URL's full text, at most two lines, as a link; a
// click on it asks for the deeplink to be fired (linkClicked).
class DeeplinkRowView : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `view` is the list the rows belong to; rows wrap to its width.
    explicit DeeplinkRowView(QAbstractItemView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    [[nodiscard]] static QString displayTitle(const Deeplink& deeplink);
    // What a screen reader reads for a row: "title, URL", as drawn.
    [[nodiscard]] static QString accessibleText(const QModelIndex& index);

    // Where the URL link of the row at `rowRect` is drawn (empty when the row has no URL).
    [[nodiscard]] QRect linkRect(const QRect& rowRect, const QModelIndex& index) const;

Q_SIGNALS:
    // The URL link of `deeplink`'s row was clicked.
    void linkClicked(Deeplink* deeplink);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Layout {
        QRect title;
        QRect link;
        QStringList linkLines;
    };
    [[nodiscard]] Layout layoutFor(const QRect& rowRect, const Deeplink* deeplink) const;
    [[nodiscard]] int rowWidth(const QStyleOptionViewItem& option) const;

    QAbstractItemView* m_view = nullptr;
};
