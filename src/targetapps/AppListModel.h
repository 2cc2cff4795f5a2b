#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

class BundleIdManager;
class InstalledApp;

// The apps of a BundleIdManager as list rows, filtered by a search text (name, or else bundle
// identifier, contains it, ignoring case), in the manager's order. When a search matches
// nothing the model holds one row saying so. Icons arriving later update their rows in place.
class AppListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles {
        AppRole = Qt::UserRole + 1, // InstalledApp
        BundleIdentifierRole,       // QString
        IsSelectedRole,             // bool: the manager's selected app
        IsNoMatchRowRole,           // bool: the "No apps match" row
        PlaceholderSymbolRole,      // QString: the symbol drawn while an app has no icon
    };

    explicit AppListModel(BundleIdManager& manager, QObject* parent = nullptr);

    void setSearchText(const QString& text);
    [[nodiscard]] const QString& searchText() const { return m_searchText; }

    // Row of the app with that bundle identifier, -1 when it is not listed.
    [[nodiscard]] int rowOf(const QString& bundleIdentifier) const;
    [[nodiscard]] const InstalledApp* appAt(int row) const;
    [[nodiscard]] bool isNoMatchRow() const { return m_noMatchRow; }

    [[nodiscard]] static bool matches(const InstalledApp& app, const QString& searchText);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    [[nodiscard]] QList<int> filteredRows() const;
    void refilter();
    void iconChanged(int sourceRow);

    QPointer<BundleIdManager> m_manager;
    QString m_searchText;
    QList<int> m_rows; // rows of the manager's apps, in order
    QList<QString> m_rowIds;
    bool m_noMatchRow = false;
};
