#include "destinations/DeviceRowButton.h"

#include "destinations/DeviceListModel.h"
#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 5;
constexpr int symbolFrameWidth = 20;
constexpr int spacing = 10;
constexpr int bootedMarkSize = 5;

const QColor bootedGreen(0x28, 0xa7, 0x45);

DeviceListModel::RowKind kindOf(const QModelIndex& index) {
    return DeviceListModel::RowKind(index.data(DeviceListModel::RowKindRole).toInt());
}

} // namespace

QString DeviceRowButton::symbolName(const Device& device) {
    const QString& name = device.name;
    if (name.contains(QLatin1String("iPad")))
        return QStringLiteral("ipad");
    if (name.contains(QLatin1String("iPhone")))
        return QStringLiteral("iphone");
    if (name.contains(QLatin1String("Watch")))
        return QStringLiteral("applewatch");
    if (name.contains(QLatin1String("TV")))
        return QStringLiteral("appletv.fill");
    return QStringLiteral("iphone");
}

QSize DeviceRowButton::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    switch (kindOf(index)) {
    case DeviceListModel::RowKind::Section: {
        const QFontMetrics metrics(TextStyle::font(TextStyle::Style::Caption));
        return {option.rect.width(), metrics.height() + 12};
    }
    case DeviceListModel::RowKind::NoMatch: {
        const QFontMetrics metrics(TextStyle::font(TextStyle::Style::Caption));
        return {option.rect.width(), metrics.height() + 24};
    }
    case DeviceListModel::RowKind::Device:
        break;
    }
    const QFontMetrics name(TextStyle::font(TextStyle::Style::Subheadline));
    const QFontMetrics body(TextStyle::font(TextStyle::Style::Body));
    return {option.rect.width(), qMax(name.height(), body.height()) + 2 * verticalPadding + 4};
}

void DeviceRowButton::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    // Title and message rows are not enabled items; they still use the active colours.
    QPalette palette = option.palette;
    palette.setCurrentColorGroup(QPalette::Active);
    const QColor secondary = TextStyle::secondary(palette);
    const QRect rect = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    switch (kindOf(index)) {
    case DeviceListModel::RowKind::Section: {
        QFont font = TextStyle::font(TextStyle::Style::Caption);
        font.setWeight(QFont::DemiBold);
        painter->setFont(font);
        painter->setPen(secondary);
        painter->drawText(rect.adjusted(0, 4, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }
    case DeviceListModel::RowKind::NoMatch:
        painter->setFont(TextStyle::font(TextStyle::Style::Caption));
        painter->setPen(secondary);
        painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    case DeviceListModel::RowKind::Device:
        break;
    }

    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const bool highlighted = option.state & QStyle::State_Selected;
    const QColor text = palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text);
    QColor subdued = highlighted ? text : secondary;
    if (highlighted)
        subdued.setAlphaF(0.8);
    const QColor accent = highlighted ? text : palette.color(QPalette::Highlight);

    const Device device = index.data(DeviceListModel::DeviceRole).value<Device>();
    const bool booted = device.state == DeviceState::booted;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;

    const QFont bodyFont = TextStyle::font(TextStyle::Style::Body);
    const int symbolSize = QFontMetrics(bodyFont).height();
    const QPixmap symbol =
        SymbolImage::pixmap(symbolName(device), symbolSize, booted ? accent : subdued, ratio);
    painter->drawPixmap(QPoint(rect.left() + (symbolFrameWidth - symbolSize) / 2,
                               rect.center().y() - symbolSize / 2 + 1),
                        symbol);

    int right = rect.right();
    if (index.data(DeviceListModel::IsSelectedRole).toBool()) {
        const int size = QFontMetrics(TextStyle::font(TextStyle::Style::Caption)).height();
        painter->drawPixmap(QPoint(right - size + 1, rect.center().y() - size / 2 + 1),
                            SymbolImage::pixmap(QStringLiteral("checkmark"), size, accent, ratio));
        right -= size + 6;
    }

    int x = rect.left() + symbolFrameWidth + spacing;
    const QFont nameFont = TextStyle::font(TextStyle::Style::Subheadline);
    const QFontMetrics nameMetrics(nameFont);
    const QFont detailFont = TextStyle::font(TextStyle::Style::Caption);
    const QFontMetrics detailMetrics(detailFont);
    const QString detail = device.runtimeVersion.isEmpty() ? device.runtime : device.runtimeVersion;
    const int detailWidth = detailMetrics.horizontalAdvance(detail);
    const int markSpace = booted ? bootedMarkSize + 5 : 0;
    const int nameRoom = qMax(0, right - x - markSpace - spacing - detailWidth);
    const QString name = nameMetrics.elidedText(device.name, Qt::ElideRight, nameRoom);
    const int nameWidth = nameMetrics.horizontalAdvance(name);
    painter->setFont(nameFont);
    painter->setPen(text);
    painter->drawText(QRect(x, rect.top(), nameWidth + 1, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, name);
    x += nameWidth + 5;
    if (booted) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(bootedGreen);
        painter->drawEllipse(QRectF(x, rect.center().y() - bootedMarkSize / 2.0 + 1, bootedMarkSize,
                                    bootedMarkSize));
        x += markSpace;
    }
    x += spacing - 5;
    painter->setFont(detailFont);
    painter->setPen(subdued);
    painter->drawText(QRect(x, rect.top(), qMax(0, right - x), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      detailMetrics.elidedText(detail, Qt::ElideRight, qMax(0, right - x)));
    painter->restore();
}
