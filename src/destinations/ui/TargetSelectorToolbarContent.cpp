#include "destinations/ui/TargetSelectorToolbarContent.h"

#include "destinations/RunDestinationManager.h"
#include "destinations/ui/DeviceListView.h"
#include "platform/SymbolImage.h"
#include "widgets/PopoverStateView.h"
#include "widgets/TextStyle.h"

TargetSelectorToolbarContent::TargetSelectorToolbarContent(RunDestinationManager& manager,
                                                           QWidget* parent)
    : ToolbarPicker(QStringLiteral("Select target device for deeplinks"),
                    QStringLiteral("Run destination: %1"), parent)
    , m_manager(&manager) {
    for (auto signal :
         {&RunDestinationManager::selectedDeviceChanged, &RunDestinationManager::isLoadingChanged,
          &RunDestinationManager::devicesChanged, &RunDestinationManager::sourceFailuresChanged}) {
        connect(&manager, signal, this, &TargetSelectorToolbarContent::refreshLabel);
        connect(&manager, signal, this, &TargetSelectorToolbarContent::updatePopoverContent);
    }
    refreshLabel();
}

QString TargetSelectorToolbarContent::titleFor(const RunDestinationManager& manager) {
    if (const std::optional<Device> device = manager.selectedDevice()) {
        // "Pixel 7 (unauthorized)", "Pixel 7 (not connected)": the state word of its reason.
        if (!isUsable(*device))
            return QStringLiteral("%1 (%2)").arg(device->name,
                                                 device->stateText.section(u':', 0, 0));
        return device->name;
    }
    return manager.isLoading() ? QStringLiteral("Loading...") : QStringLiteral("No Device");
}

void TargetSelectorToolbarContent::refreshLabel() {
    if (!m_manager)
        return;
    const std::optional<Device> device = m_manager->selectedDevice();
    m_symbol = device ? symbolName(*device) : QStringLiteral("iphone.slash");
    const bool booted = device && device->state == DeviceState::Booted;
    const QColor tint = booted ? TextStyle::green() : TextStyle::secondary(palette());
    const int size = QFontMetrics(TextStyle::font(TextStyle::Style::Caption)).height();
    setLabel(SymbolImage::pixmap(m_symbol, size, tint, devicePixelRatioF()), titleFor(*m_manager));
}

ToolbarPicker::PopoverState TargetSelectorToolbarContent::currentPopoverState() const {
    if (!m_manager || m_manager->isLoading())
        return PopoverState::Loading;
    // A tool's failure and a selection no tool lists are rows of the list too.
    const bool nothing = m_manager->devices().isEmpty() && m_manager->sourceFailures().isEmpty() &&
                         !m_manager->selectedDevice();
    return nothing ? PopoverState::Empty : PopoverState::List;
}

QWidget* TargetSelectorToolbarContent::createPopoverContent(PopoverState state) {
    if (!m_manager)
        return nullptr;
    switch (state) {
    case PopoverState::Loading:
        return PopoverStateView::loading(QStringLiteral("Loading devices..."), QSize(280, 120));
    case PopoverState::Empty: {
        auto* view = PopoverStateView::message(QStringLiteral("iphone.slash"), QColor(),
                                               QStringLiteral("No devices found"), QString(),
                                               QStringLiteral("Refresh"), QSize(280, 160));
        connect(view, &PopoverStateView::buttonClicked, this,
                [this] { DeviceListView::refresh(m_manager); });
        return view;
    }
    case PopoverState::List:
        return new DeviceListView(*m_manager, selectionBinding(), showingPopoverBinding());
    case PopoverState::Error:
        break;
    }
    return nullptr;
}
