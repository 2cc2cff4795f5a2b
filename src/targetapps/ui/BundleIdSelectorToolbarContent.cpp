#include "targetapps/ui/BundleIdSelectorToolbarContent.h"

#include "destinations/RememberedSelection.h"
#include "destinations/RunDestinationManager.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/ui/AppListView.h"
#include "targetapps/ui/AppRowButton.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/PopoverStateView.h"
#include "widgets/TextStyle.h"

#include <QCoro/QCoroTask>

// Icons are kept at the largest size they are drawn at; the button's is not larger.
static_assert(BundleIdSelectorToolbarContent::iconSize <= InstalledApp::largestIconSize);

BundleIdSelectorToolbarContent::BundleIdSelectorToolbarContent(BundleIdManager& bundleIdManager,
                                                               RunDestinationManager& deviceManager,
                                                               QWidget* parent)
    : ToolbarPicker(QStringLiteral("Select target app for deeplinks"),
                    QStringLiteral("Target app: %1"), parent)
    , m_bundleIdManager(&bundleIdManager)
    , m_deviceManager(&deviceManager) {
    connect(&deviceManager, &RunDestinationManager::selectedDeviceChanged, this,
            &BundleIdSelectorToolbarContent::destinationChanged);
    for (auto signal : {&BundleIdManager::isLoadingChanged, &BundleIdManager::errorChanged,
                        &BundleIdManager::appsChanged}) {
        connect(&bundleIdManager, signal, this,
                &BundleIdSelectorToolbarContent::updatePopoverContent);
    }
    for (auto signal : {&BundleIdManager::selectedAppChanged, &BundleIdManager::isLoadingChanged,
                        &BundleIdManager::appsChanged, &BundleIdManager::iconUpdateTriggerChanged})
        connect(&bundleIdManager, signal, this, &BundleIdSelectorToolbarContent::refreshLabel);
    refreshLabel();
    destinationChanged();
}

QString BundleIdSelectorToolbarContent::titleFor(const BundleIdManager& manager,
                                                 const QString& deviceId) {
    // The chosen app's name wins over "Loading..." while a reload runs; while another device's
    // list loads, the app chosen on the last one is not this device's.
    if (const std::optional<InstalledApp> app = manager.selectedAppFor(deviceId))
        return app->name();
    // Without the serial's list (loading, or it failed) a URL goes to the package remembered
    // for it: the label names it.
    if (const QString package = RememberedSelection::package(deviceId).value_or(QString());
        !package.isEmpty())
        return package;
    if (manager.isLoading())
        return QStringLiteral("Loading...");
    if (manager.appsDeviceId() != deviceId || manager.apps().isEmpty())
        return QStringLiteral("No Apps");
    return QStringLiteral("Select App");
}

QString BundleIdSelectorToolbarContent::selectedDeviceId() const {
    const std::optional<Device> device =
        m_deviceManager ? m_deviceManager->selectedDevice() : std::nullopt;
    return device ? device->id : QString();
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

void BundleIdSelectorToolbarContent::refreshLabel() {
    if (!m_bundleIdManager)
        return;
    const QString deviceId = selectedDeviceId();
    const std::optional<InstalledApp> app = m_bundleIdManager->selectedAppFor(deviceId);
    m_showsAppIcon = app && !app->icon().isNull();
    // Accent when an app is chosen but has no icon yet; secondary when none is chosen.
    const QColor tint =
        app ? palette().color(QPalette::Highlight) : TextStyle::secondary(palette());
    setLabel(AppRowButton::iconPixmap(app ? app->icon() : QImage(),
                                      m_bundleIdManager->placeholderSymbol(), iconSize, tint,
                                      devicePixelRatioF()),
             titleFor(*m_bundleIdManager, deviceId));
}

void BundleIdSelectorToolbarContent::destinationChanged() {
    const std::optional<Device> device =
        m_deviceManager ? m_deviceManager->selectedDevice() : std::nullopt;
    // Simulators open a URL with whatever app handles it; devices and adb's take a chosen app.
    const bool physical =
        device && (device->source == DeviceSource::Physical || isAndroid(*device));
    button()->setVisible(physical);
    if (!physical) {
        // The item is empty now; the manager keeps the last device's list and selection.
        setShowingPopover(false);
        m_triggeredDeviceId.reset();
        return;
    }
    if (m_triggeredDeviceId != device->id) {
        m_triggeredDeviceId = device->id;
        if (m_bundleIdManager)
            QCoro::connect(m_bundleIdManager->fetchApps(*device), this, [] {});
    }
    refreshLabel(); // the label is the new device's, whether or not its list changes
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

ToolbarPicker::PopoverState BundleIdSelectorToolbarContent::currentPopoverState() const {
    if (!m_bundleIdManager || m_bundleIdManager->isLoading())
        return PopoverState::Loading;
    if (m_bundleIdManager->error())
        return PopoverState::Error;
    if (m_bundleIdManager->apps().isEmpty())
        return PopoverState::Empty;
    return PopoverState::List;
}

QWidget* BundleIdSelectorToolbarContent::createPopoverContent(PopoverState state) {
    if (!m_bundleIdManager)
        return nullptr;
    PopoverStateView* view = nullptr;
    switch (state) {
    case PopoverState::Loading:
        return PopoverStateView::loading(QStringLiteral("Loading apps..."), QSize(280, 120));
    case PopoverState::Error:
        view = PopoverStateView::message(QStringLiteral("exclamationmark.triangle"),
                                         TextStyle::orange(), QStringLiteral("Connection Error"),
                                         errorMessage(m_bundleIdManager->errorDescription()),
                                         QStringLiteral("Retry"), QSize(320, 220));
        break;
    case PopoverState::Empty:
        view = PopoverStateView::message(QStringLiteral("app.badge.questionmark"), QColor(),
                                         QStringLiteral("No apps found"),
                                         QStringLiteral("Make sure the device is unlocked"),
                                         QStringLiteral("Refresh"), QSize(280, 180));
        break;
    case PopoverState::List: {
        const std::optional<Device> device =
            m_deviceManager ? m_deviceManager->selectedDevice() : std::nullopt;
        if (!device)
            return nullptr;
        return new AppListView(*m_bundleIdManager, *device, selectionBinding(),
                               showingPopoverBinding());
    }
    }
    connect(view, &PopoverStateView::buttonClicked, this, &BundleIdSelectorToolbarContent::reload);
    return view;
}
