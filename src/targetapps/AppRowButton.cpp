#include "targetapps/AppRowButton.h"

#include "platform/SymbolImage.h"
#include "targetapps/AppListModel.h"
#include "targetapps/InstalledApp.h"
#include "widgets/TextStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 6;
constexpr int gap = 10;
constexpr qreal cornerRadius = 6;

QColor accent(const QPalette& palette) {
    return palette.color(QPalette::Highlight);
}

} // namespace

QPixmap AppRowButton::iconPixmap(const InstalledApp& app, const QColor& tint,
                                 qreal devicePixelRatio) {
    QPixmap pixmap(QSize(iconSize, iconSize) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(0, 0, iconSize, iconSize);
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    if (!app.icon().isNull()) {
        painter.setClipPath(shape);
        painter.drawImage(bounds, app.icon());
        return pixmap;
    }
    QColor fill = tint;
    fill.setAlphaF(0.1);
    painter.fillPath(shape, fill);
    const int symbolSize = 18; // the 16-point system font's glyph box
    const QPixmap symbol =
        SymbolImage::pixmap(QStringLiteral("app.fill"), symbolSize, tint, devicePixelRatio);
    painter.drawPixmap(QPointF((iconSize - symbolSize) / 2.0, (iconSize - symbolSize) / 2.0),
                       symbol);
    return pixmap;
}

QSize AppRowButton::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.data(AppListModel::IsNoMatchRowRole).toBool()) {
        const QFontMetrics metrics(TextStyle::font(TextStyle::Style::Caption));
        return {option.rect.width(), metrics.height() + 4 * verticalPadding};
    }
    const QFontMetrics name(TextStyle::font(TextStyle::Style::Subheadline));
    const QFontMetrics detail(TextStyle::font(TextStyle::Style::Caption2));
    const int textHeight = name.height() + 2 + detail.height();
    return {option.rect.width(), qMax(iconSize, textHeight) + 2 * verticalPadding};
}

void AppRowButton::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QPalette palette = option.palette;
    palette.setCurrentColorGroup(QPalette::Active);
    const QColor secondary = TextStyle::secondary(palette);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (index.data(AppListModel::IsNoMatchRowRole).toBool()) {
        // A message, not an item: clear background, centred.
        painter->setFont(TextStyle::font(TextStyle::Style::Caption));
        painter->setPen(secondary);
        painter->drawText(option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                          Qt::AlignCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }

    // Row highlight as the platform draws it (hover, keyboard highlight).
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const bool highlighted = option.state & QStyle::State_Selected;
    const QColor text = palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text);
    QColor subdued = highlighted ? text : secondary;
    if (highlighted)
        subdued.setAlphaF(0.8);

    const InstalledApp app = index.data(AppListModel::AppRole).value<InstalledApp>();
    const QRect rect = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding,
                                            -verticalPadding);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPoint iconTopLeft(rect.left(), rect.center().y() - iconSize / 2 + 1);
    // On the highlight the accent would vanish; the placeholder takes the highlighted text colour.
    painter->drawPixmap(iconTopLeft, iconPixmap(app, highlighted ? text : accent(palette), ratio));

    int right = rect.right();
    if (index.data(AppListModel::IsSelectedRole).toBool()) {
        QFont font = TextStyle::font(TextStyle::Style::Caption);
        const int size = QFontMetrics(font).height();
        const QColor color = highlighted ? text : accent(palette);
        const QPixmap check = SymbolImage::pixmap(QStringLiteral("checkmark"), size, color, ratio);
        painter->drawPixmap(QPoint(right - size + 1, rect.center().y() - size / 2 + 1), check);
        right -= size + 6;
    }
    const QFont versionFont = TextStyle::font(TextStyle::Style::Caption);
    const QFontMetrics versionMetrics(versionFont);
    const QString version = versionMetrics.elidedText(app.version(), Qt::ElideRight, 80);
    const int versionWidth = versionMetrics.horizontalAdvance(version);
    painter->setFont(versionFont);
    painter->setPen(subdued);
    painter->drawText(QRect(right - versionWidth, rect.top(), versionWidth, rect.height()),
                      Qt::AlignVCenter | Qt::AlignRight, version);
    right -= versionWidth + gap;

    const int left = rect.left() + iconSize + gap;
    const QFont nameFont = TextStyle::font(TextStyle::Style::Subheadline);
    const QFont detailFont = TextStyle::font(TextStyle::Style::Caption2);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics detailMetrics(detailFont);
    const int textHeight = nameMetrics.height() + 2 + detailMetrics.height();
    const int top = rect.center().y() - textHeight / 2 + 1;
    const int width = qMax(0, right - left);
    painter->setFont(nameFont);
    painter->setPen(text);
    painter->drawText(QRect(left, top, width, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(app.name(), Qt::ElideRight, width));
    painter->setFont(detailFont);
    painter->setPen(subdued);
    painter->drawText(QRect(left, top + nameMetrics.height() + 2, width, detailMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      detailMetrics.elidedText(app.bundleIdentifier(), Qt::ElideMiddle, width));
    painter->restore();
}
