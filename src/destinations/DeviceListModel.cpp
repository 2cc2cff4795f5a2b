#include "destinations/DeviceListModel.h"

#include "destinations/RunDestinationManager.h"

#include <algorithm>

DeviceListModel::DeviceListModel(RunDestinationManager& manager, QObject* parent)
    : QAbstractListModel(parent)
    , m_manager(&manager) {
    connect(&manager, &RunDestinationManager::devicesChanged, this, &DeviceListModel::rebuild);
    connect(&manager, &RunDestinationManager::groupedSectionsChanged, this,
            &DeviceListModel::rebuild);
    connect(&manager, &RunDestinationManager::sourceFailuresChanged, this,
            &DeviceListModel::rebuild);
    connect(&manager, &RunDestinationManager::selectedDeviceChanged, this, [this] {
        // A selection no tool lists has a row of its own, which comes and goes with it.
        if (buildRows() != m_rows)
            rebuild();
        else if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1), {IsSelectedRole});
    });
    m_rows = buildRows();
}

bool DeviceListModel::matches(const Device& device, const QString& searchText) {
    return device.name.contains(searchText, Qt::CaseInsensitive) ||
           device.runtime.contains(searchText, Qt::CaseInsensitive) ||
           device.runtimeVersion.contains(searchText, Qt::CaseInsensitive);
}

QString DeviceListModel::sectionTitle(const QString& key) {
    const QString lower = key.toLower();
    if (lower == QLatin1String("ios"))
        return QStringLiteral("IOS SIMULATORS");
    if (lower == QLatin1String("tvos"))
        return QStringLiteral("TVOS SIMULATORS");
    if (lower == QLatin1String("watchos"))
        return QStringLiteral("WATCHOS SIMULATORS");
    if (lower == QLatin1String("visionos"))
        return QStringLiteral("VISIONOS SIMULATORS");
    if (lower.endsWith(QLatin1String(" devices")) ||
        key == RunDestinationManager::androidEmulatorsKey)
        return key.toUpper();
    return key.toUpper() + QStringLiteral(" SIMULATORS");
}

QList<DeviceListModel::Row> DeviceListModel::buildRows() const {
    QList<Row> rows;
    if (!m_manager)
        return rows;
    for (const SourceFailure& failure : m_manager->sourceFailures())
        rows.append({RowKind::SourceFailure, failure.tool, failure.reason, {}});
    QList<Device> devices = m_manager->devices();
    const std::optional<Device>& selected = m_manager->selectedDevice();
    const auto listed = [&](const Device& device) { return device.id == selected->id; };
    if (selected && std::none_of(devices.cbegin(), devices.cend(), listed))
        devices.append(*selected);
    QList<Device> filtered;
    for (const Device& device : std::as_const(devices)) {
        if (m_searchText.isEmpty() || matches(device, m_searchText))
            filtered.append(device);
    }
    if (filtered.isEmpty() && !m_searchText.isEmpty()) {
        rows.append({RowKind::NoMatch,
                     QStringLiteral("No devices match \"%1\"").arg(m_searchText),
                     {},
                     {}});
        return rows;
    }
    for (const DeviceSection& section : RunDestinationManager::groupDevices(filtered)) {
        rows.append({RowKind::Section, sectionTitle(section.key), {}, {}});
        for (const Device& device : section.devices)
            rows.append({RowKind::Device, {}, {}, device});
    }
    return rows;
}

void DeviceListModel::rebuild() {
    beginResetModel();
    m_rows = buildRows();
    endResetModel();
}

void DeviceListModel::setSearchText(const QString& text) {
    if (text == m_searchText)
        return;
    m_searchText = text;
    rebuild();
}

QList<Device> DeviceListModel::filteredDevices() const {
    QList<Device> devices;
    for (const Row& row : m_rows) {
        if (row.kind == RowKind::Device)
            devices.append(row.device);
    }
    return devices;
}

QStringList DeviceListModel::sectionTitles() const {
    QStringList titles;
    for (const Row& row : m_rows) {
        if (row.kind == RowKind::Section)
            titles.append(row.text);
    }
    return titles;
}

int DeviceListModel::rowOf(const QString& deviceId) const {
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).kind == RowKind::Device && m_rows.at(i).device.id == deviceId)
            return i;
    }
    return -1;
}

const Device* DeviceListModel::deviceAt(int row) const {
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).kind != RowKind::Device)
        return nullptr;
    return &m_rows.at(row).device;
}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == RowKindRole)
        return int(row.kind);
    if (row.kind == RowKind::SourceFailure) {
        switch (role) {
        case Qt::DisplayRole:
            return QStringLiteral("%1 failed").arg(row.text);
        case Qt::AccessibleTextRole:
            return QStringLiteral("%1 failed: %2").arg(row.text, row.reason);
        case Qt::ToolTipRole:
        case ReasonRole:
            return row.reason;
        case ToolRole:
            return row.text;
        default:
            return {};
        }
    }
    if (row.kind != RowKind::Device) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return row.text;
        return {};
    }
    const Device& device = row.device;
    const std::optional<Device> selectedDevice =
        m_manager ? m_manager->selectedDevice() : std::nullopt;
    const bool selected = selectedDevice && selectedDevice->id == device.id;
    switch (role) {
    case Qt::DisplayRole:
        return device.name;
    case Qt::AccessibleTextRole: {
        // Name, state, OS version: the dot's colour in words (why it cannot be used, for an
        // unusable one), the runtime with its version.
        const QString state = !isUsable(device)                     ? device.stateText
                              : device.state == DeviceState::Booted ? QStringLiteral("Booted")
                              : device.state == DeviceState::Shutdown
                                  ? QStringLiteral("Shut down")
                                  : QStringLiteral("Unknown state");
        const QString os = device.runtimeVersion.isEmpty()
                               ? device.runtime
                               : device.runtime + QLatin1Char(' ') + device.runtimeVersion;
        QString text = QStringList{device.name, state, os}.join(QStringLiteral(", "));
        if (selected)
            text += QStringLiteral(", selected");
        return text;
    }
    case DeviceRole:
        return QVariant::fromValue(device);
    case DeviceIdRole:
        return device.id;
    case IsSelectedRole:
        return selected;
    default:
        return {};
    }
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return Qt::NoItemFlags;
    // Title and message rows are skipped by the keyboard and cannot be chosen; an unusable
    // destination is shown, greyed, but cannot be chosen either.
    const Row& row = m_rows.at(index.row());
    if (row.kind != RowKind::Device)
        return Qt::NoItemFlags;
    return isUsable(row.device) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

#include "moc_DeviceListModel.cpp"
