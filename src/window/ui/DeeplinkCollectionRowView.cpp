#include "window/ui/DeeplinkCollectionRowView.h"

#include "emoji/EmojiFont.h"
#include "platform/SymbolImage.h"
#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "widgets/RowPill.h"
#include "widgets/TextStyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>

namespace {

constexpr int horizontalMargin = 10;
constexpr int badgeMargin = 4;
constexpr int spacing = 8;
constexpr int rowPadding = 5;
constexpr int headerTopPadding = 10;

QFont badgeFont(bool emoji) {
    QFont font = TextStyle::font(TextStyle::Style::Caption);
    font.setWeight(QFont::Black);
    if (emoji) {
        // Colour glyphs read smaller than letters of the same size.
        font.setPointSizeF(font.pointSizeF() * 1.2);
        if (const QString emojiFamily = EmojiFont::family(); !emojiFamily.isEmpty())
            font.setFamilies({emojiFamily, font.family()});
    }
    return font;
}

int badgeDiameter() {
    return QFontMetrics(badgeFont(false)).height() + 2 * badgeMargin;
}

// The badge's emoji drawn once per emoji, size and font. FreeType decodes a colour glyph's
// bitmap again on every measure and draw, three times per row painted. The canvas is twice the
// badge, so a glyph reaching past the badge is not clipped, and is placed at whole pixels, so
// the result matches drawing the text straight onto the row.
QPixmap emojiBadge(const QString& emoji, int diameter, qreal ratio) {
    const QFont font = badgeFont(true);
    const QString key = QStringLiteral("DeeplinkCollectionRowView|%1|%2|%3|%4")
                            .arg(emoji, font.key())
                            .arg(diameter)
                            .arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = QPixmap(QSize(2 * diameter, 2 * diameter) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(diameter / 2, diameter / 2, diameter, diameter), Qt::AlignCenter, emoji);
    painter.end();
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

DeeplinkCollection* collectionAt(const QModelIndex& index) {
    auto* object = index.data(FetchedResultsModel::ObjectRole).value<ManagedObject*>();
    if (!object || object->entity() != ManagedObject::Entity::DeeplinkCollection)
        return nullptr;
    return static_cast<DeeplinkCollection*>(object);
}

} // namespace

DeeplinkCollectionRowView::DeeplinkCollectionRowView(QObject* parent)
    : QStyledItemDelegate(parent) {}

QString DeeplinkCollectionRowView::displayName(const DeeplinkCollection& collection) {
    return collection.name().isEmpty() ? QStringLiteral("NA") : collection.name();
}

QString DeeplinkCollectionRowView::countText(const DeeplinkCollection& collection) {
    return QString::asprintf("%lld", static_cast<long long>(collection.deeplinksCount()));
}

QColor DeeplinkCollectionRowView::color(const DeeplinkCollection& collection) {
    // Imported files may carry anything; keep the components in range.
    const auto unit = [](double value) {
        return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
    };
    return QColor::fromRgbF(float(unit(collection.colorR())), float(unit(collection.colorG())),
                            float(unit(collection.colorB())), float(unit(collection.colorA())));
}

QString DeeplinkCollectionRowView::badgeSymbol(const DeeplinkCollection& collection) {
    return collection.emoji().isEmpty() ? QStringLiteral("link") : QString();
}

QString DeeplinkCollectionRowView::sectionTitle(const QString& sectionKey) {
    return sectionKey == QLatin1String("1") ? QStringLiteral("Pinned")
                                            : QStringLiteral("My Collections");
}

QString DeeplinkCollectionRowView::accessibleText(const QModelIndex& index) {
    if (index.data(FetchedResultsModel::IsSectionRole).toBool())
        return sectionTitle(index.data(FetchedResultsModel::SectionKeyRole).toString());
    const DeeplinkCollection* collection = collectionAt(index);
    if (!collection)
        return {};
    QString text = displayName(*collection) + QStringLiteral(", ") + countText(*collection) +
                   (collection->deeplinksCount() == 1 ? QStringLiteral(" deeplink")
                                                      : QStringLiteral(" deeplinks"));
    if (collection->isPinned())
        text += QStringLiteral(", pinned");
    return text;
}

QSize DeeplinkCollectionRowView::sizeHint(const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    if (index.data(FetchedResultsModel::IsSectionRole).toBool()) {
        QFont font = TextStyle::font(TextStyle::Style::Caption);
        font.setWeight(QFont::DemiBold);
        return {option.rect.width(), QFontMetrics(font).height() + headerTopPadding + 4};
    }
    const int text = QFontMetrics(TextStyle::font(TextStyle::Style::Body)).height();
    return {option.rect.width(), std::max(text, badgeDiameter()) + 2 * rowPadding};
}

void DeeplinkCollectionRowView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& palette = option.palette;
    const QRect rect = option.rect;

    if (index.data(FetchedResultsModel::IsSectionRole).toBool()) {
        QFont font = TextStyle::font(TextStyle::Style::Caption);
        font.setWeight(QFont::DemiBold);
        painter->setFont(font);
        painter->setPen(TextStyle::secondary(palette));
        const QRect textRect =
            rect.adjusted(horizontalMargin, headerTopPadding, -horizontalMargin, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          sectionTitle(index.data(FetchedResultsModel::SectionKeyRole).toString()));
        painter->restore();
        return;
    }

    const DeeplinkCollection* collection = collectionAt(index);
    if (!collection) {
        painter->restore();
        return;
    }

    const bool onAccent = RowPill::paint(painter, option, rect.adjusted(6, 1, -6, -1));
    const QColor text =
        onAccent ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
    const QColor secondary =
        onAccent ? palette.color(QPalette::HighlightedText) : TextStyle::secondary(palette);

    // Badge.
    const int diameter = badgeDiameter();
    const QRect badge(rect.left() + horizontalMargin + 4, rect.center().y() - diameter / 2 + 1,
                      diameter, diameter);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color(*collection));
    painter->drawEllipse(badge);
    const QRect inner = badge.adjusted(badgeMargin, badgeMargin, -badgeMargin, -badgeMargin);
    const qreal ratio = SymbolImage::devicePixelRatio(painter);
    if (const QString symbol = badgeSymbol(*collection); !symbol.isEmpty()) {
        painter->drawPixmap(inner, SymbolImage::pixmap(symbol, inner.width(), Qt::white, ratio));
    } else {
        painter->drawPixmap(badge.topLeft() - QPoint(diameter / 2, diameter / 2),
                            emojiBadge(collection->emoji(), diameter, ratio));
    }

    // Count, right-aligned, then the name in what is left.
    const QFont body = TextStyle::font(TextStyle::Style::Body);
    painter->setFont(body);
    const QFontMetrics metrics(body);
    const QString count = countText(*collection);
    const int countWidth = metrics.horizontalAdvance(count);
    const QRect countRect(rect.right() - horizontalMargin - 6 - countWidth, rect.top(), countWidth,
                          rect.height());
    painter->setPen(secondary);
    painter->drawText(countRect, Qt::AlignRight | Qt::AlignVCenter, count);

    const int nameLeft = badge.right() + spacing;
    const QRect nameRect(nameLeft, rect.top(), countRect.left() - spacing - nameLeft,
                         rect.height());
    painter->setPen(text);
    painter->drawText(
        nameRect, Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(displayName(*collection), Qt::ElideRight, nameRect.width()));
    painter->restore();
}
