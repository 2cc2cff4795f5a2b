#include "targetapps/BundleIdSelectorToolbarContent.h"

#include "destinations/RunDestinationManager.h"
#include "targetapps/AppListView.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/BundleIdSelectorButton.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/PopoverStateView.h"

#include <QHBoxLayout>

#include <QCoro/QCoroTask>

BundleIdSelectorToolbarContent::BundleIdSelectorToolbarContent(BundleIdManager& bundleIdManager,
                                                               RunDestinationManager& deviceManager,
                                                               QWidget* parent)
    : QWidget(parent)
    , m_bundleIdManager(&bundleIdManager)
    , m_deviceManager(&deviceManager)
    , m_label(new BundleIdSelectorButton(bundleIdManager))
    , m_button(new AccessoryBarButton(m_label, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    m_button->setToolTip(QStringLiteral("Select target app for deeplinks"));
    // A screen reader hears what the button shows, not only what it is for.
    const auto describeButton = [this] {
        m_button->setAccessibleName(QStringLiteral("Target app: %1").arg(m_label->title()));
    };
    connect(m_label, &BundleIdSelectorButton::refreshed, this, describeButton);
    describeButton();
    m_button->setAccessibleDescription(QStringLiteral("Select target app for deeplinks"));
    connect(m_button, &AccessoryBarButton::clicked, this,
            [this] { setShowingPopover(!m_showingPopover); });

    connect(&deviceManager, &RunDestinationManager::selectedDeviceChanged, this,
            &BundleIdSelectorToolbarContent::destinationChanged);
    for (auto signal : {&BundleIdManager::isLoadingChanged, &BundleIdManager::errorChanged,
                        &BundleIdManager::appsChanged}) {
        connect(&bundleIdManager, signal, this,
                &BundleIdSelectorToolbarContent::updatePopoverContent);
    }
    destinationChanged();
}

QString BundleIdSelectorToolbarContent::errorMessage(const QString& errorDescription) {
    if (errorDescription.contains(QLatin1String("connection")) ||
        errorDescription.contains(QLatin1String("Connection")))
        return QStringLiteral(
            "Could not connect to device. Make sure the device is unlocked and trusted.");
    if (errorDescription.contains(QLatin1String("Network.NWError")))
        return QStringLiteral("Network connection lost. Check USB cable and try again.");
    if (errorDescription.contains(QLatin1String("CoreDeviceError")))
        return QStringLiteral("Device communication error. Unlock device and reconnect if needed.");
    return QStringLiteral("Failed to load apps. Please try again.");
}

void BundleIdSelectorToolbarContent::destinationChanged() {
    const std::optional<Device> device =
        m_deviceManager ? m_deviceManager->selectedDevice() : std::nullopt;
    const bool physical = device && device->source == DeviceSource::physical;
    m_button->setVisible(physical);
    if (!physical) {
        // The item is empty now; the manager keeps the last device's list and selection.
        setShowingPopover(false);
        m_triggeredDeviceId.reset();
        return;
    }
    if (m_triggeredDeviceId == device->id)
        return;
    m_triggeredDeviceId = device->id;
    if (m_bundleIdManager)
        QCoro::connect(m_bundleIdManager->fetchApps(*device), this, [] {});
}

void BundleIdSelectorToolbarContent::reload() {
    if (!m_bundleIdManager || !m_deviceManager)
        return;
    const std::optional<Device> device = m_deviceManager->selectedDevice();
    if (!device)
        return;
    m_bundleIdManager->setLoadedDeviceId(std::nullopt);
    QCoro::connect(m_bundleIdManager->fetchApps(*device), this, [] {});
}

void BundleIdSelectorToolbarContent::setShowingPopover(bool showing) {
    if (showing == m_showingPopover)
        return;
    m_showingPopover = showing;
    if (showing) {
        if (!m_popover) {
            m_popover = new Popover(m_button);
            connect(m_popover, &Popover::dismissed, this, [this] { setShowingPopover(false); });
        }
        m_popoverState.reset();
        updatePopoverContent();
        m_popover->open();
    } else if (m_popover) {
        m_popover->close();
        // A fresh list (empty search) the next time it opens.
        m_popover->setContent(nullptr);
        m_popoverState.reset();
    }
    Q_EMIT showingPopoverChanged();
}

BundleIdSelectorToolbarContent::PopoverState
BundleIdSelectorToolbarContent::currentPopoverState() const {
    if (m_bundleIdManager->isLoading())
        return PopoverState::Loading;
    if (m_bundleIdManager->error())
        return PopoverState::Error;
    if (m_bundleIdManager->apps().isEmpty())
        return PopoverState::Empty;
    return PopoverState::List;
}

void BundleIdSelectorToolbarContent::updatePopoverContent() {
    if (!m_showingPopover || !m_popover || !m_bundleIdManager)
        return;
    const PopoverState state = currentPopoverState();
    // The list follows the manager by itself; other states are rebuilt (a new error has a
    // new message).
    if (state == m_popoverState && state != PopoverState::Error)
        return;
    QWidget* content = nullptr;
    switch (state) {
    case PopoverState::Loading:
        content = PopoverStateView::loading(QStringLiteral("Loading apps..."), QSize(280, 120));
        break;
    case PopoverState::Error: {
        auto* view = PopoverStateView::message(
            QStringLiteral("exclamationmark.triangle"), QColor(0xff, 0x95, 0x00),
            QStringLiteral("Connection Error"), errorMessage(m_bundleIdManager->errorDescription()),
            QStringLiteral("Retry"), QSize(320, 220));
        connect(view, &PopoverStateView::buttonClicked, this,
                &BundleIdSelectorToolbarContent::reload);
        content = view;
        break;
    }
    case PopoverState::Empty: {
        auto* view = PopoverStateView::message(QStringLiteral("app.badge.questionmark"), QColor(),
                                               QStringLiteral("No apps found"),
                                               QStringLiteral("Make sure the device is unlocked"),
                                               QStringLiteral("Refresh"), QSize(280, 180));
        connect(view, &PopoverStateView::buttonClicked, this,
                &BundleIdSelectorToolbarContent::reload);
        content = view;
        break;
    }
    case PopoverState::List: {
        const std::optional<Device> device =
            m_deviceManager ? m_deviceManager->selectedDevice() : std::nullopt;
        if (!device)
            break;
        content = new AppListView(
            *m_bundleIdManager, *device,
            Binding<std::optional<QString>>(
                [this] { return m_selection; },
                [this](const std::optional<QString>& value) { m_selection = value; }),
            Binding<bool>([this] { return m_showingPopover; },
                          [this](const bool& value) { setShowingPopover(value); }));
        break;
    }
    }
    m_popoverState = state;
    m_popover->setContent(content);
    if (content && m_popover->isVisible())
        content->setFocus(Qt::PopupFocusReason);
}
