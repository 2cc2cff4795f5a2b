#include "targetapps/AppListModel.h"

#include "targetapps/BundleIdManager.h"

AppListModel::AppListModel(BundleIdManager& manager, QObject* parent)
    : QAbstractListModel(parent)
    , m_manager(&manager) {
    connect(&manager, &BundleIdManager::appsChanged, this, &AppListModel::refilter);
    connect(&manager, &BundleIdManager::appIconChanged, this, &AppListModel::iconChanged);
    connect(&manager, &BundleIdManager::selectedAppChanged, this, [this] {
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1), {IsSelectedRole});
    });
    m_rows = filteredRows();
    for (int row : std::as_const(m_rows))
        m_rowIds.append(manager.apps().at(row).bundleIdentifier());
    m_noMatchRow = m_rows.isEmpty() && !m_searchText.isEmpty();
}

bool AppListModel::matches(const InstalledApp& app, const QString& searchText) {
    return searchText.isEmpty() || app.name().contains(searchText, Qt::CaseInsensitive) ||
           app.bundleIdentifier().contains(searchText, Qt::CaseInsensitive);
}

QList<int> AppListModel::filteredRows() const {
    QList<int> rows;
    if (!m_manager)
        return rows;
    const QList<InstalledApp>& apps = m_manager->apps();
    for (int i = 0; i < apps.size(); ++i) {
        if (matches(apps.at(i), m_searchText))
            rows.append(i);
    }
    return rows;
}

void AppListModel::setSearchText(const QString& text) {
    if (text == m_searchText)
        return;
    m_searchText = text;
    refilter();
}

void AppListModel::refilter() {
    const QList<int> rows = filteredRows();
    QList<QString> ids;
    for (int row : rows)
        ids.append(m_manager->apps().at(row).bundleIdentifier());
    const bool noMatchRow = rows.isEmpty() && !m_searchText.isEmpty();
    if (ids == m_rowIds && noMatchRow == m_noMatchRow) {
        // Same rows (an icon or another field changed): repaint, keep selection and scrolling.
        m_rows = rows;
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        return;
    }
    beginResetModel();
    m_rows = rows;
    m_rowIds = ids;
    m_noMatchRow = noMatchRow;
    endResetModel();
}

void AppListModel::iconChanged(int sourceRow) {
    const qsizetype row = m_rows.indexOf(sourceRow);
    if (row >= 0)
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {Qt::DecorationRole, AppRole});
}

int AppListModel::rowOf(const QString& bundleIdentifier) const {
    return int(m_rowIds.indexOf(bundleIdentifier));
}

const InstalledApp* AppListModel::appAt(int row) const {
    if (!m_manager || row < 0 || row >= m_rows.size())
        return nullptr;
    return &m_manager->apps().at(m_rows.at(row));
}

int AppListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_noMatchRow ? 1 : int(m_rows.size());
}

QVariant AppListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (m_noMatchRow) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QStringLiteral("No apps match \"%1\"").arg(m_searchText);
        case IsNoMatchRowRole:
            return true;
        default:
            return {};
        }
    }
    const InstalledApp* app = appAt(index.row());
    if (!app)
        return {};
    const bool selected = m_manager->selectedApp() &&
                          m_manager->selectedApp()->bundleIdentifier() == app->bundleIdentifier();
    switch (role) {
    case Qt::DisplayRole:
        return app->name();
    case Qt::DecorationRole:
        return app->icon();
    case Qt::ToolTipRole:
        return app->bundleIdentifier();
    case Qt::AccessibleTextRole: {
        // Name, bundle identifier, version: the row's two lines and its right column.
        QStringList parts{app->name()};
        if (!app->bundleIdentifier().isEmpty()) // not Any App
            parts.append(app->bundleIdentifier());
        if (!app->version().isEmpty())
            parts.append(QStringLiteral("version ") + app->version());
        if (selected)
            parts.append(QStringLiteral("selected"));
        return parts.join(QStringLiteral(", "));
    }
    case AppRole:
        return QVariant::fromValue(*app);
    case BundleIdentifierRole:
        return app->bundleIdentifier();
    case IsSelectedRole:
        return selected;
    case IsNoMatchRowRole:
        return false;
    case PlaceholderSymbolRole:
        return m_manager->placeholderSymbol();
    default:
        return {};
    }
}

Qt::ItemFlags AppListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (m_noMatchRow)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

#include "moc_AppListModel.cpp"
