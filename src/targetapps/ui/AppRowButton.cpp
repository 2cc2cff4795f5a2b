#include "targetapps/ui/AppRowButton.h"

#include "platform/SymbolImage.h"
#include "targetapps/AppListModel.h"
#include "targetapps/InstalledApp.h"
#include "widgets/TextStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int verticalPadding = 6;
constexpr int gap = 10;

} // namespace

QPixmap AppRowButton::iconPixmap(const QImage& icon, const QString& placeholder, int size,
                                 const QColor& tint, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(0, 0, size, size);
    const qreal cornerRadius = size * 3 / 16.0;
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    if (!icon.isNull()) {
        painter.setClipPath(shape);
        painter.drawImage(bounds, icon);
        return pixmap;
    }
    painter.fillPath(shape, TextStyle::placeholderFill(tint));
    // The glyph box of a system font half the icon's size.
    const int symbolSize = size / 2 + 2;
    const QPixmap symbol = SymbolImage::pixmap(placeholder, symbolSize, tint, devicePixelRatio);
    painter.drawPixmap(QPointF((size - symbolSize) / 2.0, (size - symbolSize) / 2.0), symbol);
    return pixmap;
}

QSize AppRowButton::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.data(AppListModel::IsNoMatchRowRole).toBool())
        return messageSizeHint(option);
    const QFontMetrics name(TextStyle::font(TextStyle::Style::Subheadline));
    const QFontMetrics detail(TextStyle::font(TextStyle::Style::Caption2));
    const int textHeight = name.height() + 2 + detail.height();
    return {option.rect.width(), qMax(iconSize, textHeight) + 2 * verticalPadding};
}

void AppRowButton::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (index.data(AppListModel::IsNoMatchRowRole).toBool()) {
        paintMessage(painter, option, index.data(Qt::DisplayRole).toString());
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, option, index);
    const Colors colors = PickerRowDelegate::colors(option);

    const InstalledApp app = index.data(AppListModel::AppRole).value<InstalledApp>();
    const QRect rect = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding,
                                            -verticalPadding);
    const QPoint iconTopLeft(rect.left(), rect.center().y() - iconSize / 2 + 1);
    painter->drawPixmap(iconTopLeft,
                        iconPixmap(app.icon(),
                                   index.data(AppListModel::PlaceholderSymbolRole).toString(),
                                   iconSize, colors.accent, devicePixelRatio(painter)));

    int right = rect.right();
    if (index.data(AppListModel::IsSelectedRole).toBool())
        right = paintCheckmark(painter, rect, colors.accent);
    const QFont versionFont = TextStyle::font(TextStyle::Style::Caption);
    const QFontMetrics versionMetrics(versionFont);
    const QString version = versionMetrics.elidedText(app.version(), Qt::ElideRight, 80);
    const int versionWidth = versionMetrics.horizontalAdvance(version);
    painter->setFont(versionFont);
    painter->setPen(colors.subdued);
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
    painter->setPen(colors.text);
    painter->drawText(QRect(left, top, width, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(app.name(), Qt::ElideRight, width));
    painter->setFont(detailFont);
    painter->setPen(colors.subdued);
    painter->drawText(QRect(left, top + nameMetrics.height() + 2, width, detailMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      detailMetrics.elidedText(app.bundleIdentifier(), Qt::ElideMiddle, width));
    painter->restore();
}
