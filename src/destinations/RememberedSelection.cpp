#include "destinations/RememberedSelection.h"

#include "platform/AppSettings.h"

#include <QVariantMap>

namespace {

std::optional<QString> storedText(QStringView key) {
    const QVariant value = AppSettings::standard()->value(key.toString());
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// Written through at once, like the platform's defaults.
void store(QStringView key, const std::optional<QVariant>& value) {
    const auto settings = AppSettings::standard();
    if (value)
        settings->setValue(key.toString(), *value);
    else
        settings->remove(key.toString());
    settings->sync();
}

} // namespace

std::optional<QString> RememberedSelection::destinationId() {
    return storedText(destinationIdKey);
}

void RememberedSelection::setDestinationId(const QString& id) {
    store(destinationIdKey, id);
}

std::optional<QString> RememberedSelection::bundleId() {
    return storedText(bundleIdKey);
}

void RememberedSelection::setBundleId(const std::optional<QString>& bundleId) {
    store(bundleIdKey, bundleId ? std::optional<QVariant>(*bundleId) : std::nullopt);
}

std::optional<QString> RememberedSelection::package(const QString& serial) {
    const QVariantMap packages = AppSettings::standard()->value(packagesKey.toString()).toMap();
    const auto found = packages.constFind(serial);
    if (found == packages.cend())
        return std::nullopt;
    return found->toString();
}

void RememberedSelection::setPackage(const QString& serial, const QString& package) {
    // One map rather than a key per serial: serials hold ':' and '/' are not theirs to avoid.
    QVariantMap packages = AppSettings::standard()->value(packagesKey.toString()).toMap();
    packages.insert(serial, package);
    store(packagesKey, packages);
}
