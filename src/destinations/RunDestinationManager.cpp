#include "destinations/RunDestinationManager.h"

#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "destinations/RememberedSelection.h"
#include "destinations/SimctlClient.h"
#include "platform/AppError.h"
#include "toolchain/AdbLocator.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

#include <algorithm>

namespace {

const QString physicalSuffix = QStringLiteral(" Devices");

// Neither listing touches the manager: it may be gone by the time they finish.
// Without Xcode (an empty URL) there is no tool to ask and nothing to list.
QCoro::Task<QList<Device>> fetchSimulators(QUrl xcodeURL, Logger logger) {
    if (xcodeURL.isEmpty())
        co_return {};
    logger.info(u"Fetching simulators");
    const QString output = co_await SimctlClient(xcodeURL).listDevices();
    // A big listing takes a few milliseconds to parse; keep them off the GUI thread.
    // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
    auto parse = [output] { return SimctlClient::parseSimulatorList(output); };
    const QList<Device> devices = co_await QtConcurrent::run(std::move(parse));
    logger.info(u"Parsed %{public}ld simulator devices", devices.size());
    co_return devices;
}

QCoro::Task<QList<Device>> fetchPhysicalDevices(QUrl xcodeURL, Logger logger) {
    if (xcodeURL.isEmpty())
        co_return {};
    logger.info(u"Fetching physical devices");
    const QByteArray json =
        co_await DeviceCtlClient(
            xcodeURL, Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")))
            .listDevices();
    const Result<QList<Device>, JsonDecodingError> devices =
        DeviceCtlClient::parsePhysicalDevices(json);
    // The listing's awaiter reports a failed listing the same way for every cause.
    if (!devices)
        throw devices.error();
    logger.info(u"Parsed %{public}ld physical devices", devices->size());
    co_return *devices;
}

// No adb found: nothing to ask (the locator logs it).
QCoro::Task<QList<Device>> fetchAndroidDevices(std::optional<QString> adbPath, Logger logger) {
    if (!adbPath)
        co_return {};
    logger.info(u"Fetching Android devices");
    const QList<Device> devices = co_await AdbClient(*adbPath).listDevices();
    logger.info(u"Parsed %{public}ld Android devices", devices.size());
    co_return devices;
}

const QString adbTool = QStringLiteral("adb");

// One tool's listing: its destinations, or why there are none.
struct Listing {
    QList<Device> devices;
    std::optional<SourceFailure> failure;
};

// A tool that fails becomes its failure (and a log line); the other tools are not held up.
QCoro::Task<Listing> listed(QCoro::Task<QList<Device>> listing, QString tool, Logger logger) {
    // Plain statements around the co_await: GCC mishandles one inside a braced initialiser.
    Listing result;
    std::exception_ptr error;
    try {
        result.devices = co_await std::move(listing);
    } catch (...) {
        error = std::current_exception();
    }
    if (error) {
        logger.error(u"%{public}s failed: %{public}s", tool, localizedDescription(error));
        result.failure = sourceFailure(tool, error);
    }
    co_return result;
}

} // namespace

RunDestinationManager::RunDestinationManager(QObject* parent)
    : QObject(parent)
    , m_selectedDeviceId(RememberedSelection::destinationId()) {}

void RunDestinationManager::configure(const QUrl& xcodeURL) {
    setXcodeURL(xcodeURL);
    m_logger.info(u"Configured run destinations with Xcode URL");
}

QCoro::Task<> RunDestinationManager::fetchDevices(QUrl xcodeURL) {
    const QPointer<RunDestinationManager> self(this);
    const Logger logger = m_logger;

    logger.info(u"Fetching run destinations");
    const quint64 generation = ++m_fetchGeneration;
    setIsLoading(true);
    setXcodeURL(xcodeURL);

    // All three start here and run side by side; awaiting one does not hold up the others.
    // adb is looked up at each fetch, so that a changed location applies at the next one.
    QCoro::Task<Listing> simulatorTask =
        listed(fetchSimulators(xcodeURL, logger), QStringLiteral("simctl"), logger);
    QCoro::Task<Listing> physicalTask =
        listed(fetchPhysicalDevices(xcodeURL, logger), QStringLiteral("devicectl"), logger);
    QCoro::Task<Listing> androidTask =
        listed(fetchAndroidDevices(AdbLocator::locate(), logger), adbTool, logger);
    logger.info(u"Started simulator and device fetch tasks");

    const Listing simulators = co_await std::move(simulatorTask);
    const Listing physical = co_await std::move(physicalTask);
    logger.info(u"Simulator fetch complete");
    QList<Device> merged = simulators.devices + physical.devices;
    QList<SourceFailure> failures;
    if (simulators.failure)
        failures.append(*simulators.failure);
    if (physical.failure)
        failures.append(*physical.failure);
    if (!self)
        co_return;
    if (generation != m_fetchGeneration) {
        logger.debug(u"Dropped an older fetch's %{public}ld devices", merged.size());
        co_return;
    }
    // The iOS destinations are shown now: an adb that never answers must not hold them back.
    // adb's previous entries (or failure) stay until its new listing replaces them.
    if ((!merged.isEmpty() || !failures.isEmpty()) && !androidTask.isReady()) {
        QList<Device> shown = merged;
        for (const Device& device : std::as_const(m_devices)) {
            if (isAndroid(device))
                shown.append(device);
        }
        QList<SourceFailure> shownFailures = failures;
        for (const SourceFailure& failure : std::as_const(m_sourceFailures)) {
            if (failure.tool == adbTool)
                shownFailures.append(failure);
        }
        publish(std::move(shown), std::move(shownFailures), false);
    }

    const Listing android = co_await std::move(androidTask);
    if (!self)
        co_return;
    if (generation != m_fetchGeneration) {
        logger.debug(u"Dropped an older fetch's %{public}ld devices", merged.size());
        co_return;
    }
    merged += android.devices;
    if (android.failure)
        failures.append(*android.failure);
    publish(std::move(merged), std::move(failures), true);
}

void RunDestinationManager::publish(QList<Device> devices, QList<SourceFailure> failures,
                                    bool complete) {
    QList<DeviceSection> sections = groupDevices(devices);
    const qsizetype count = devices.size();
    setDevices(std::move(devices));
    setGroupedSections(std::move(sections));
    setSourceFailures(std::move(failures));
    setIsLoading(false);
    m_logger.info(u"Updated devices list with %{public}ld items", count);
    restoreSelection(complete);
}

void RunDestinationManager::restoreSelection(bool complete) {
    if (m_selectedDeviceId) {
        const QString& id = *m_selectedDeviceId;
        // Listed: selected with what the tool says now, even when adb cannot use it at the moment
        // (unauthorized, offline): it is usable again as soon as it is back.
        const auto stored = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                         [&](const Device& device) { return device.id == id; });
        if (stored != m_devices.cend()) {
            setSelectedDevice(*stored);
            return;
        }
        // It may be in the part of the list still to come.
        if (!complete)
            return;
        // Unplugged, or its tool failed: kept, as not connected, rather than silently replaced.
        Device missing = m_selectedDevice && m_selectedDevice->id == id
                             ? *m_selectedDevice
                             : Device{.id = id, .name = id};
        missing.state = DeviceState::Unavailable;
        missing.stateText = notConnected.toString();
        setSelectedDevice(std::move(missing));
        return;
    }
    if (!complete)
        return;
    const auto booted =
        std::find_if(m_devices.cbegin(), m_devices.cend(),
                     [](const Device& device) { return device.state == DeviceState::Booted; });
    if (booted != m_devices.cend()) {
        const Device device = *booted;
        setSelectedDevice(device);
        setSelectedDeviceId(device.id);
    }
}

void RunDestinationManager::selectDevice(const Device& device) {
    setSelectedDevice(device);
    setSelectedDeviceId(device.id);
    m_logger.info(u"Selected device %{public}s", device.name);
}

QString RunDestinationManager::sectionKey(const Device& device) {
    switch (device.source) {
    case DeviceSource::Physical:
        return device.runtime + physicalSuffix;
    case DeviceSource::AndroidDevice:
        return androidDevicesKey.toString();
    case DeviceSource::AndroidEmulator:
        return androidEmulatorsKey.toString();
    case DeviceSource::Simulator:
        break;
    }
    return device.runtime;
}

QList<DeviceSection> RunDestinationManager::groupDevices(const QList<Device>& devices) {
    QList<DeviceSection> sections;
    QHash<QString, qsizetype> indexOfKey;
    for (const Device& device : devices) {
        const QString key = sectionKey(device);
        const auto found = indexOfKey.constFind(key);
        if (found == indexOfKey.cend()) {
            indexOfKey.insert(key, sections.size());
            sections.append(DeviceSection{key, {device}});
        } else {
            sections[*found].devices.append(device);
        }
    }

    const auto isDeviceKey = [](const QString& key) { return key.toLower().endsWith(u" devices"); };
    const auto isAndroidSection = [](const DeviceSection& section) {
        return isAndroid(section.devices.constFirst());
    };
    std::sort(sections.begin(), sections.end(),
              [&](const DeviceSection& a, const DeviceSection& b) {
                  // Android's sections come after every iOS one.
                  const bool aAndroid = isAndroidSection(a);
                  const bool bAndroid = isAndroidSection(b);
                  if (aAndroid != bAndroid)
                      return bAndroid;
                  const bool aDevices = isDeviceKey(a.key);
                  const bool bDevices = isDeviceKey(b.key);
                  if (aDevices != bDevices)
                      return aDevices;
                  return a.key < b.key;
              });
    for (DeviceSection& section : sections) {
        std::stable_sort(section.devices.begin(), section.devices.end(),
                         [](const Device& a, const Device& b) {
                             const bool aBooted = a.state == DeviceState::Booted;
                             const bool bBooted = b.state == DeviceState::Booted;
                             if (aBooted != bBooted)
                                 return aBooted;
                             return a.name < b.name;
                         });
    }
    return sections;
}

void RunDestinationManager::setDevices(QList<Device> devices) {
    if (devices == m_devices)
        return;
    m_devices = std::move(devices);
    Q_EMIT devicesChanged();
}

void RunDestinationManager::setGroupedSections(QList<DeviceSection> sections) {
    if (sections == m_groupedSections)
        return;
    m_groupedSections = std::move(sections);
    Q_EMIT groupedSectionsChanged();
}

void RunDestinationManager::setSelectedDevice(std::optional<Device> device) {
    if (device == m_selectedDevice)
        return;
    m_selectedDevice = std::move(device);
    Q_EMIT selectedDeviceChanged();
}

void RunDestinationManager::setIsLoading(bool loading) {
    if (loading == m_isLoading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void RunDestinationManager::setSourceFailures(QList<SourceFailure> failures) {
    if (failures == m_sourceFailures)
        return;
    m_sourceFailures = std::move(failures);
    Q_EMIT sourceFailuresChanged();
}

void RunDestinationManager::setSelectedDeviceId(const QString& id) {
    RememberedSelection::setDestinationId(id);
    if (m_selectedDeviceId == id)
        return;
    m_selectedDeviceId = id;
    Q_EMIT selectedDeviceIdChanged();
}

void RunDestinationManager::setXcodeURL(const QUrl& url) {
    if (url == m_xcodeURL)
        return;
    m_xcodeURL = url;
    Q_EMIT xcodeURLChanged();
}

#include "moc_RunDestinationManager.cpp"
