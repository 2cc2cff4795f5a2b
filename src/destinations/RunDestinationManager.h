#pragma once

#include "destinations/Device.h"
#include "platform/Logger.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <optional>

// The one source of truth for where deeplinks are fired: simulators and physical devices of the
// chosen Xcode and adb's destinations, fetched together, merged, grouped for the picker, the
// tools that failed to list theirs, and the selected destination, remembered across launches.
// Lives on the GUI thread; every setter tells observers only of real changes.
class RunDestinationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Device> devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QUrl xcodeURL READ xcodeURL NOTIFY xcodeURLChanged)
public:
    // The section keys of adb's physical devices and emulators.
    static constexpr QStringView androidDevicesKey = u"Android Devices";
    static constexpr QStringView androidEmulatorsKey = u"Android Emulators";
    // Why the remembered destination is not usable when no tool lists it.
    static constexpr QStringView notConnected =
        u"not connected: connect it again or choose another destination";

    explicit RunDestinationManager(QObject* parent = nullptr);

    // The merged list of the last successful fetch: simulators, physical devices, then adb's.
    [[nodiscard]] const QList<Device>& devices() const { return m_devices; }
    // The same devices, grouped and ordered for display (see groupDevices()).
    [[nodiscard]] const QList<DeviceSection>& groupedSections() const { return m_groupedSections; }
    [[nodiscard]] const std::optional<Device>& selectedDevice() const { return m_selectedDevice; }
    [[nodiscard]] bool isLoading() const { return m_isLoading; }
    // The tools of the last fetch that failed, in the order simctl, devicectl, adb.
    [[nodiscard]] const QList<SourceFailure>& sourceFailures() const { return m_sourceFailures; }
    [[nodiscard]] const std::optional<QString>& selectedDeviceId() const {
        return m_selectedDeviceId;
    }
    [[nodiscard]] QUrl xcodeURL() const { return m_xcodeURL; }

    // Remembers the Xcode the tools come from; does not fetch.
    void configure(const QUrl& xcodeURL);
    // A fetch follows shortly: the destination shows as loading from now on rather than as
    // none for a moment. Only a fetch's outcome ends the loading.
    void announceFetch() { setIsLoading(true); }

    // Lists simulators and physical devices of `xcodeURL` and adb's destinations (adb located
    // anew each time) at the same time and publishes the merged list (no iOS entries, asking no
    // Xcode tool, for an empty URL: no Xcode; no Android ones without adb). The iOS entries are
    // published as soon as they are in, before adb answers. A tool that fails lists nothing and
    // becomes one of `sourceFailures`; the others are listed all the same. A fetch started since
    // wins: this one's outcome is then dropped. Never throws.
    QCoro::Task<> fetchDevices(QUrl xcodeURL);

    // Makes `device` the destination and remembers its id.
    void selectDevice(const Device& device);

    // Sections keyed by platform for simulators, "<platform> Devices" for physical devices and
    // the Android keys above; Android sections after the others; device sections first, then
    // keys in character order; inside a section booted devices first,
    // then by name (stable).
    [[nodiscard]] static QList<DeviceSection> groupDevices(const QList<Device>& devices);
    [[nodiscard]] static QString sectionKey(const Device& device);

Q_SIGNALS:
    void devicesChanged();
    void groupedSectionsChanged();
    void selectedDeviceChanged();
    void isLoadingChanged();
    void sourceFailuresChanged();
    void selectedDeviceIdChanged();
    void xcodeURLChanged();

private:
    void setDevices(QList<Device> devices);
    void setGroupedSections(QList<DeviceSection> sections);
    void setSelectedDevice(std::optional<Device> device);
    void setIsLoading(bool loading);
    void setSourceFailures(QList<SourceFailure> failures);
    void setSelectedDeviceId(const QString& id);
    void setXcodeURL(const QUrl& url);
    // The remembered destination stays selected until the user picks another: unusable while
    // its tool says so or (once the `complete` list is in) while no tool lists it. Without one,
    // the first booted destination is chosen and remembered.
    void restoreSelection(bool complete);
    // Makes `devices` the list, grouped, and `failures` the tools that failed, ends loading and
    // restores the selection.
    void publish(QList<Device> devices, QList<SourceFailure> failures, bool complete);

    QList<Device> m_devices;
    QList<DeviceSection> m_groupedSections;
    std::optional<Device> m_selectedDevice;
    bool m_isLoading = false;
    // Counts fetches; only the newest one publishes. An older one that finishes later (one
    // stuck on a tool that never answered, say) neither brings back its older list, selection
    // or failures nor ends the newer one's loading.
    quint64 m_fetchGeneration = 0;
    QList<SourceFailure> m_sourceFailures;
    std::optional<QString> m_selectedDeviceId;
    Logger m_logger{QStringLiteral("Kestrine"), QStringLiteral("RunDestinationManager")};
    QUrl m_xcodeURL;
};
