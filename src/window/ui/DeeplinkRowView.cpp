#include "window/ui/DeeplinkRowView.h"

#include "platform/TextCase.h"
#include "store/Deeplink.h"
#include "store/FetchedResultsModel.h"
#include "widgets/OutcomeMark.h"
#include "widgets/RowPill.h"
#include "widgets/TextStyle.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

namespace {

constexpr int margin = 8;
constexpr int pillInset = 4;
constexpr int lineGap = 2;
constexpr int maximumLinkLines = 2;
constexpr int markSize = 14;

Deeplink* deeplinkAt(const QModelIndex& index) {
    auto* object = index.data(FetchedResultsModel::ObjectRole).value<ManagedObject*>();
    if (!object || object->entity() != ManagedObject::Entity::Deeplink)
        return nullptr;
    return static_cast<Deeplink*>(object);
}

QFont titleFont() {
    return TextStyle::font(TextStyle::Style::Headline, true);
}

QFont linkFont() {
    return TextStyle::font(TextStyle::Style::Callout);
}

// Wraps `text` to `width`, anywhere if need be (URLs have few spaces), keeping at most
// `maximumLinkLines`; the last kept line is elided when text remains and `elide` is set (a
// row's height needs the line count only).
QStringList wrapped(const QString& text, int width, bool elide = true) {
    QStringList lines;
    if (text.isEmpty() || width <= 0)
        return lines;
    const QFont font = linkFont();
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int consumed = 0;
    while (lines.size() < maximumLinkLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        lines.append(text.mid(line.textStart(), line.textLength()));
        consumed = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (elide && consumed < text.size() && !lines.isEmpty()) {
        const QFontMetrics metrics(font);
        lines.back() = metrics.elidedText(lines.back() + text.mid(consumed), Qt::ElideRight, width);
    }
    return lines;
}

} // namespace

DeeplinkRowView::DeeplinkRowView(QAbstractItemView* view)
    : QStyledItemDelegate(view)
    , m_view(view) {
    if (m_view) {
        m_view->viewport()->setMouseTracking(true);
        m_view->viewport()->installEventFilter(this);
    }
}

QString DeeplinkRowView::displayTitle(const Deeplink& deeplink) {
    return deeplink.title().isEmpty() ? QStringLiteral("NA")
                                      : TextCase::capitalized(deeplink.title());
}

QString DeeplinkRowView::accessibleText(const QModelIndex& index) {
    const Deeplink* deeplink = deeplinkAt(index);
    if (!deeplink)
        return {};
    const QString url = deeplink->urlString();
    return url.isEmpty() ? displayTitle(*deeplink)
                         : displayTitle(*deeplink) + QStringLiteral(", ") + url;
}

std::optional<FiringOutcome> DeeplinkRowView::outcomeOf(const Deeplink* deeplink) const {
    if (!deeplink || !m_outcomes)
        return std::nullopt;
    return m_outcomes(deeplink);
}

std::optional<QString> DeeplinkRowView::outcomeText(const Deeplink* deeplink) const {
    const std::optional<FiringOutcome> outcome = outcomeOf(deeplink);
    if (!outcome)
        return std::nullopt;
    return QStringLiteral("Last run: ") + outcome->summary(deeplink->urlString());
}

QString DeeplinkRowView::accessibleTextWithOutcome(const QModelIndex& index) const {
    const QString text = accessibleText(index);
    const std::optional<QString> outcome = outcomeText(deeplinkAt(index));
    return outcome ? text + QStringLiteral(", ") + *outcome : text;
}

bool DeeplinkRowView::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip) {
        if (const std::optional<QString> text = outcomeText(deeplinkAt(index))) {
            QToolTip::showText(event->globalPos(), *text, view->viewport(), option.rect);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

int DeeplinkRowView::rowWidth(const QStyleOptionViewItem& option) const {
    if (m_view)
        return m_view->viewport()->width();
    return option.rect.width();
}

DeeplinkRowView::Layout DeeplinkRowView::layoutFor(const QRect& rowRect,
                                                   const Deeplink* deeplink) const {
    Layout layout;
    const QRect content =
        rowRect.adjusted(margin + pillInset, margin, -margin - pillInset, -margin);
    const int titleHeight = QFontMetrics(titleFont()).height();
    layout.title = QRect(content.left(), content.top(), content.width(), titleHeight);
    if (deeplink && !deeplink->urlString().isEmpty()) {
        layout.linkLines = wrapped(deeplink->urlString(), content.width());
        const QFontMetrics metrics(linkFont());
        int width = 0;
        for (const QString& line : std::as_const(layout.linkLines))
            width = std::max(width, metrics.horizontalAdvance(line));
        layout.link = QRect(content.left(), layout.title.bottom() + 1 + lineGap,
                            std::min(width, content.width()),
                            int(layout.linkLines.size()) * metrics.height());
    }
    return layout;
}

QRect DeeplinkRowView::linkRect(const QRect& rowRect, const QModelIndex& index) const {
    return layoutFor(rowRect, deeplinkAt(index)).link;
}

QSize DeeplinkRowView::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    // The list asks every row on each relayout: only the line count is measured here, the
    // lines are elided and measured for the rows painted.
    const int width = rowWidth(option);
    int height = margin + QFontMetrics(titleFont()).height() + margin;
    const Deeplink* deeplink = deeplinkAt(index);
    if (deeplink && !deeplink->urlString().isEmpty()) {
        const int contentWidth = width - 2 * (margin + pillInset);
        const auto lines = int(wrapped(deeplink->urlString(), contentWidth, false).size());
        if (lines > 0)
            height += lineGap + lines * QFontMetrics(linkFont()).height();
    }
    return {width, height};
}

void DeeplinkRowView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const Deeplink* deeplink = deeplinkAt(index);
    if (!deeplink)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& palette = option.palette;
    const bool onAccent =
        RowPill::paint(painter, option, option.rect.adjusted(pillInset, 1, -pillInset, -1));

    Layout layout = layoutFor(option.rect, deeplink);
    if (const std::optional<FiringOutcome> outcome = outcomeOf(deeplink)) {
        // The run's mark at the title's end; the title gives it room.
        const QRect mark(layout.title.right() - markSize + 1,
                         layout.title.center().y() - markSize / 2, markSize, markSize);
        OutcomeMark::icon(outcome->result).paint(painter, mark);
        layout.title.setRight(mark.left() - margin);
    }
    const QFont title = titleFont();
    painter->setFont(title);
    painter->setPen(onAccent ? palette.color(QPalette::HighlightedText)
                             : palette.color(QPalette::Text));
    painter->drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(title).elidedText(displayTitle(*deeplink), Qt::ElideRight,
                                                     layout.title.width()));

    if (!layout.linkLines.isEmpty()) {
        const QFont link = linkFont();
        painter->setFont(link);
        painter->setPen(onAccent ? palette.color(QPalette::HighlightedText)
                                 : palette.color(QPalette::Link));
        const QFontMetrics metrics(link);
        int y = layout.link.top();
        for (const QString& line : std::as_const(layout.linkLines)) {
            painter->drawText(
                QRect(layout.link.left(), y, layout.link.width() + 2, metrics.height()),
                Qt::AlignLeft | Qt::AlignVCenter, line);
            y += metrics.height();
        }
    }
    painter->restore();
}

bool DeeplinkRowView::editorEvent(QEvent* event, QAbstractItemModel* model,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        Deeplink* deeplink = deeplinkAt(index);
        if (deeplink && mouse->button() == Qt::LeftButton &&
            linkRect(option.rect, index).contains(mouse->position().toPoint())) {
            Q_EMIT linkClicked(deeplink);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool DeeplinkRowView::eventFilter(QObject* watched, QEvent* event) {
    // A pointing hand over the link, as over any hyperlink.
    // Found through the watched viewport, not m_view: while the view is being destroyed it is
    // no longer a QAbstractItemView and must not be called as one.
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* view = viewport ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    if (view && view->viewport() == viewport) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex index = view->indexAt(position);
            const bool overLink =
                index.isValid() && linkRect(view->visualRect(index), index).contains(position);
            if (overLink)
                view->viewport()->setCursor(Qt::PointingHandCursor);
            else
                view->viewport()->unsetCursor();
        } else if (event->type() == QEvent::Leave) {
            view->viewport()->unsetCursor();
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}
