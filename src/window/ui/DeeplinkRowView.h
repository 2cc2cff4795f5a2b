#pragma once

#include "platform/FiringOutcome.h"

#include <QStyledItemDelegate>

#include <functional>
#include <optional>

class Deeplink;
class QAbstractItemView;
class QTextLayout;

// QStyledItemDelegate that paints one deeplink of the collection detail list: the title with each
// word capitalised ("NA" without one) over the URL's full text, at most two lines, as a link; a
// click on it asks for the deeplink to be fired (linkClicked). A deeplink an automated run fired
// carries the mark of its outcome at the title's end, with the outcome as its tooltip.
class DeeplinkRowView : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `view` is the list the rows belong to; rows wrap to its width.
    explicit DeeplinkRowView(QAbstractItemView* view);

    // What the automated run's firing of a deeplink did, when it did.
    using Outcomes = std::function<std::optional<FiringOutcome>(const Deeplink*)>;
    void setOutcomes(Outcomes outcomes) { m_outcomes = std::move(outcomes); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    [[nodiscard]] static QString displayTitle(const Deeplink& deeplink);
    // What a screen reader reads for a row: "title, URL", as drawn.
    [[nodiscard]] static QString accessibleText(const QModelIndex& index);
    // The same with the run's outcome after it, as the mark shows it.
    [[nodiscard]] QString accessibleTextWithOutcome(const QModelIndex& index) const;

    // Where the URL link of the row at `rowRect` is drawn (empty when the row has no URL).
    [[nodiscard]] QRect linkRect(const QRect& rowRect, const QModelIndex& index) const;

Q_SIGNALS:
    // The URL link of `deeplink`'s row was clicked.
    void linkClicked(Deeplink* deeplink);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    struct Layout {
        QRect title;
        QRect link;
        QStringList linkLines;
    };
    [[nodiscard]] Layout layoutFor(const QRect& rowRect, const Deeplink* deeplink) const;
    [[nodiscard]] int rowWidth(const QStyleOptionViewItem& option) const;
    [[nodiscard]] std::optional<FiringOutcome> outcomeOf(const Deeplink* deeplink) const;
    // "Last run: Opened in Shop, cold start, 512 ms".
    [[nodiscard]] std::optional<QString> outcomeText(const Deeplink* deeplink) const;

    QAbstractItemView* m_view = nullptr;
    Outcomes m_outcomes;
};
