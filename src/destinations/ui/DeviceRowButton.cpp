#include "destinations/ui/DeviceRowButton.h"

#include "destinations/DeviceListModel.h"
#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

#include <QPainter>

namespace {

constexpr int verticalPadding = 5;
constexpr int symbolFrameWidth = 20;
constexpr int spacing = 10;
constexpr int bootedMarkSize = 5;

DeviceListModel::RowKind kindOf(const QModelIndex& index) {
    return DeviceListModel::RowKind(index.data(DeviceListModel::RowKindRole).toInt());
}

} // namespace

QSize DeviceRowButton::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    switch (kindOf(index)) {
    case DeviceListModel::RowKind::Section: {
        const QFontMetrics metrics(TextStyle::font(TextStyle::Style::Caption));
        return {option.rect.width(), metrics.height() + 12};
    }
    case DeviceListModel::RowKind::NoMatch:
        return messageSizeHint(option);
    case DeviceListModel::RowKind::Device:
    case DeviceListModel::RowKind::SourceFailure:
        break;
    }
    const QFontMetrics name(TextStyle::font(TextStyle::Style::Subheadline));
    const QFontMetrics body(TextStyle::font(TextStyle::Style::Body));
    return {option.rect.width(), qMax(name.height(), body.height()) + 2 * verticalPadding + 4};
}

void DeviceRowButton::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QRect rect = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    switch (kindOf(index)) {
    case DeviceListModel::RowKind::Section: {
        QFont font = TextStyle::font(TextStyle::Style::Caption);
        font.setWeight(QFont::DemiBold);
        painter->save();
        painter->setFont(font);
        painter->setPen(colors(option).secondary);
        painter->drawText(rect.adjusted(0, 4, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }
    case DeviceListModel::RowKind::NoMatch:
        paintMessage(painter, option, index.data(Qt::DisplayRole).toString());
        return;
    case DeviceListModel::RowKind::SourceFailure:
        paintFailure(painter, option, index);
        return;
    case DeviceListModel::RowKind::Device:
        break;
    }

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, option, index);
    const Colors colors = PickerRowDelegate::colors(option);
    const Device device = index.data(DeviceListModel::DeviceRole).value<Device>();
    const bool booted = device.state == DeviceState::Booted;
    // An unusable destination is greyed and says why instead of its version.
    const bool usable = isUsable(device);

    const int symbolSize = QFontMetrics(TextStyle::font(TextStyle::Style::Body)).height();
    const QPixmap symbol =
        SymbolImage::pixmap(symbolName(device), symbolSize, booted ? colors.accent : colors.subdued,
                            devicePixelRatio(painter));
    painter->drawPixmap(QPoint(rect.left() + (symbolFrameWidth - symbolSize) / 2,
                               rect.center().y() - symbolSize / 2 + 1),
                        symbol);

    int right = rect.right();
    if (index.data(DeviceListModel::IsSelectedRole).toBool())
        right = paintCheckmark(painter, rect, colors.accent);

    int x = rect.left() + symbolFrameWidth + spacing;
    const QFont nameFont = TextStyle::font(TextStyle::Style::Subheadline);
    const QFontMetrics nameMetrics(nameFont);
    const QFont detailFont = TextStyle::font(TextStyle::Style::Caption);
    const QFontMetrics detailMetrics(detailFont);
    const QString detail = !usable                           ? device.stateText
                           : device.runtimeVersion.isEmpty() ? device.runtime
                                                             : device.runtimeVersion;
    // A state's explanation is long: it gives way to the name (it is elided after it) rather
    // than the name to it.
    const int detailWidth = usable ? detailMetrics.horizontalAdvance(detail) : 0;
    const int markSpace = booted ? bootedMarkSize + 5 : 0;
    const int nameRoom = qMax(0, right - x - markSpace - spacing - detailWidth);
    const QString name = nameMetrics.elidedText(device.name, Qt::ElideRight, nameRoom);
    const int nameWidth = nameMetrics.horizontalAdvance(name);
    painter->setFont(nameFont);
    painter->setPen(usable ? colors.text : colors.subdued);
    painter->drawText(QRect(x, rect.top(), nameWidth + 1, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, name);
    x += nameWidth + 5;
    if (booted) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(TextStyle::green());
        painter->drawEllipse(QRectF(x, rect.center().y() - bootedMarkSize / 2.0 + 1, bootedMarkSize,
                                    bootedMarkSize));
        x += markSpace;
    }
    x += spacing - 5;
    painter->setFont(detailFont);
    painter->setPen(colors.subdued);
    painter->drawText(QRect(x, rect.top(), qMax(0, right - x), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      detailMetrics.elidedText(detail, Qt::ElideRight, qMax(0, right - x)));
    painter->restore();
}

int DeviceRowButton::retryButtonWidth(const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(QStringLiteral("Retry")) + 24;
}

void DeviceRowButton::paintFailure(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
    // The symbol, "<tool> failed" and the reason, elided before the Retry button the list
    // places over the row's end.
    const QRect rect = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const Colors colors = PickerRowDelegate::colors(option);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const int symbolSize = QFontMetrics(TextStyle::font(TextStyle::Style::Body)).height();
    painter->drawPixmap(QPoint(rect.left() + (symbolFrameWidth - symbolSize) / 2,
                               rect.center().y() - symbolSize / 2 + 1),
                        SymbolImage::pixmap(QStringLiteral("exclamationmark.triangle"), symbolSize,
                                            TextStyle::orange(), devicePixelRatio(painter)));
    int x = rect.left() + symbolFrameWidth + spacing;
    const int right = rect.right() - retryButtonWidth(option.font) - spacing;
    const QFont titleFont = TextStyle::font(TextStyle::Style::Subheadline);
    const QString title = index.data(Qt::DisplayRole).toString();
    const int titleWidth = qMin(QFontMetrics(titleFont).horizontalAdvance(title), right - x);
    painter->setFont(titleFont);
    painter->setPen(colors.text);
    painter->drawText(QRect(x, rect.top(), qMax(0, titleWidth) + 1, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, title);
    x += titleWidth + spacing;
    const QFont reasonFont = TextStyle::font(TextStyle::Style::Caption);
    painter->setFont(reasonFont);
    painter->setPen(colors.subdued);
    painter->drawText(QRect(x, rect.top(), qMax(0, right - x), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(reasonFont)
                          .elidedText(index.data(DeviceListModel::ReasonRole).toString(),
                                      Qt::ElideRight, qMax(0, right - x)));
    painter->restore();
}
