#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The choices Kestrine remembers across launches in the standard user defaults: the
// destination, the app on an iPhone and the package per Android serial. Each read goes to the
// settings afresh and each write reaches them at once, so the app and kestrine-cli (which
// only reads) see the same choices.
class RememberedSelection {
public:
    static constexpr QStringView destinationIdKey = u"DeviceManager.selectedDeviceId";
    static constexpr QStringView bundleIdKey = u"BundleIdManager.selectedBundleId";
    // A map from Android serial to the package chosen for it ("" for Any App).
    static constexpr QStringView packagesKey = u"BundleIdManager.selectedPackages";

    RememberedSelection() = delete;

    // The id of the selected destination; none when unset or not a string.
    [[nodiscard]] static std::optional<QString> destinationId();
    static void setDestinationId(const QString& id);

    // The bundle identifier of the app chosen for iPhones; none when unset or not a string.
    [[nodiscard]] static std::optional<QString> bundleId();
    // Forgets the choice when none.
    static void setBundleId(const std::optional<QString>& bundleId);

    // The package chosen for the Android destination `serial`; none when none was chosen.
    [[nodiscard]] static std::optional<QString> package(const QString& serial);
    static void setPackage(const QString& serial, const QString& package);
};
