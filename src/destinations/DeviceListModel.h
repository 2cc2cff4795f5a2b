#pragma once

#include "destinations/Device.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

class RunDestinationManager;

// The destinations of a RunDestinationManager as list rows: a row per tool that failed to list
// its destinations, then a title row per section followed by its devices; the selected
// destination is among them even when no tool lists it. With a search text only devices whose
// name, runtime or version contains it (ignoring case) are kept, regrouped by the manager's
// rules; a search that matches nothing gives one row saying so. Only device rows can be
// selected.
class DeviceListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class RowKind { Section, Device, NoMatch, SourceFailure };
    enum Roles {
        RowKindRole = Qt::UserRole + 1, // RowKind as int
        DeviceRole,                     // Device
        DeviceIdRole,                   // QString
        IsSelectedRole,                 // bool: the manager's selected destination
        ToolRole,                       // QString: the tool of a failure row
        ReasonRole,                     // QString: why it failed
    };

    explicit DeviceListModel(RunDestinationManager& manager, QObject* parent = nullptr);

    void setSearchText(const QString& text);
    [[nodiscard]] const QString& searchText() const { return m_searchText; }

    // The devices shown, in order (search applied).
    [[nodiscard]] QList<Device> filteredDevices() const;
    // The section titles shown, in order.
    [[nodiscard]] QStringList sectionTitles() const;
    [[nodiscard]] int rowOf(const QString& deviceId) const;
    [[nodiscard]] const Device* deviceAt(int row) const;

    [[nodiscard]] static bool matches(const Device& device, const QString& searchText);
    // "IOS SIMULATORS", "IOS DEVICES", ... for a section key.
    [[nodiscard]] static QString sectionTitle(const QString& key);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        RowKind kind;
        QString text;   // section title, no-match message or the tool that failed
        QString reason; // why that tool failed
        Device device;

        bool operator==(const Row&) const = default;
    };

    void rebuild();
    [[nodiscard]] QList<Row> buildRows() const;

    QPointer<RunDestinationManager> m_manager;
    QString m_searchText;
    QList<Row> m_rows;
};
