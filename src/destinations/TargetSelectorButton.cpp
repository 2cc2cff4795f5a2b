#include "destinations/TargetSelectorButton.h"

#include "destinations/RunDestinationManager.h"
#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

TargetSelectorButton::TargetSelectorButton(RunDestinationManager& manager, QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
    , m_chevron(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_title->setFont(TextStyle::font(TextStyle::Style::Caption));
    layout->addWidget(m_icon, 0, Qt::AlignVCenter);
    layout->addWidget(m_title, 0, Qt::AlignVCenter);
    layout->addWidget(m_chevron, 0, Qt::AlignVCenter);
    connect(&manager, &RunDestinationManager::selectedDeviceChanged, this,
            &TargetSelectorButton::refresh);
    connect(&manager, &RunDestinationManager::isLoadingChanged, this,
            &TargetSelectorButton::refresh);
    refresh();
}

QString TargetSelectorButton::symbolName(const std::optional<Device>& device) {
    if (!device)
        return QStringLiteral("iphone.slash");
    const QString& name = device->name;
    if (name.contains(QLatin1String("iPad")))
        return QStringLiteral("ipad");
    if (name.contains(QLatin1String("iPhone")))
        return QStringLiteral("iphone");
    if (name.contains(QLatin1String("Watch")))
        return QStringLiteral("applewatch");
    if (name.contains(QLatin1String("TV")))
        return QStringLiteral("appletv");
    return QStringLiteral("iphone");
}

QString TargetSelectorButton::titleFor(const RunDestinationManager& manager) {
    if (const std::optional<Device> device = manager.selectedDevice())
        return device->name;
    return manager.isLoading() ? QStringLiteral("Loading...") : QStringLiteral("No Device");
}

QString TargetSelectorButton::title() const {
    return m_title->text();
}

void TargetSelectorButton::refresh() {
    if (!m_manager)
        return;
    const std::optional<Device> device = m_manager->selectedDevice();
    m_symbol = symbolName(device);
    const bool booted = device && device->state == DeviceState::booted;
    const QColor tint = booted ? QColor(0x28, 0xa7, 0x45) : TextStyle::secondary(palette());
    const int size = QFontMetrics(m_title->font()).height();
    m_icon->setPixmap(SymbolImage::pixmap(m_symbol, size, tint, devicePixelRatioF()));
    const QString text = titleFor(*m_manager);
    if (text != m_title->text()) {
        m_title->setText(text);
        updateGeometry();
    }
    const int chevronSize = QFontMetrics(TextStyle::font(TextStyle::Style::Caption2)).ascent();
    m_chevron->setPixmap(SymbolImage::pixmap(QStringLiteral("chevron.down"), chevronSize,
                                             TextStyle::secondary(palette()), devicePixelRatioF()));
    setAccessibleName(text);
    Q_EMIT refreshed();
}

void TargetSelectorButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refresh();
}
