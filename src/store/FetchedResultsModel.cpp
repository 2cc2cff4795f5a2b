#include "store/FetchedResultsModel.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"

#include <algorithm>

namespace {
// Internal ids of model indexes: 0 for a section row, section + 1 for an object row.
constexpr quintptr sectionRowId = 0;
} // namespace

FetchedResultsModel::FetchedResultsModel(ManagedObjectContext* context, FetchRequest request,
                                         QObject* parent)
    : QAbstractItemModel(parent)
    , m_context(context)
    , m_request(std::move(request)) {
    connect(context, &ManagedObjectContext::objectChanged, this,
            &FetchedResultsModel::onObjectChanged);
    refetch();
}

void FetchedResultsModel::setFetchRequest(FetchRequest request) {
    beginResetModel();
    m_request = std::move(request);
    refetch();
    endResetModel();
}

QList<ManagedObject*> FetchedResultsModel::fetchedObjects() const {
    QList<ManagedObject*> all;
    for (const Section& section : m_sections)
        all += section.objects;
    return all;
}

ManagedObject* FetchedResultsModel::object(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (sectioned()) {
        if (index.internalId() == sectionRowId)
            return nullptr;
        return m_sections.at(int(index.internalId() - 1)).objects.at(index.row());
    }
    return m_sections.isEmpty() ? nullptr : m_sections.front().objects.at(index.row());
}

QModelIndex FetchedResultsModel::indexOf(const ManagedObject* object) const {
    const auto [section, row] = find(object);
    if (section < 0)
        return {};
    return index(row, 0, sectionParent(section));
}

QModelIndex FetchedResultsModel::sectionParent(int section) const {
    return sectioned() ? createIndex(section, 0, sectionRowId) : QModelIndex();
}

QModelIndex FetchedResultsModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!sectioned()) {
        if (parent.isValid() || m_sections.isEmpty() || row >= m_sections.front().objects.size())
            return {};
        return createIndex(row, 0, quintptr(1));
    }
    if (!parent.isValid())
        return row < m_sections.size() ? createIndex(row, 0, sectionRowId) : QModelIndex();
    if (parent.internalId() != sectionRowId || row >= m_sections.at(parent.row()).objects.size())
        return {};
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex FetchedResultsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !sectioned() || child.internalId() == sectionRowId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, sectionRowId);
}

int FetchedResultsModel::rowCount(const QModelIndex& parent) const {
    if (!sectioned()) {
        if (parent.isValid())
            return 0;
        return m_sections.isEmpty() ? 0 : int(m_sections.front().objects.size());
    }
    if (!parent.isValid())
        return int(m_sections.size());
    if (parent.internalId() != sectionRowId)
        return 0;
    return int(m_sections.at(parent.row()).objects.size());
}

int FetchedResultsModel::columnCount(const QModelIndex& parent) const {
    Q_UNUSED(parent)
    return 1;
}

QVariant FetchedResultsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const bool isSection = sectioned() && index.internalId() == sectionRowId;
    if (role == IsSectionRole)
        return isSection;
    if (isSection) {
        if (role == Qt::DisplayRole || role == SectionKeyRole)
            return m_sections.at(index.row()).key;
        return {};
    }
    ManagedObject* item = object(index);
    switch (role) {
    case ObjectRole:
        return QVariant::fromValue(item);
    case SectionKeyRole:
        return keyOf(item);
    case Qt::DisplayRole:
        if (item->entity() == ManagedObject::Entity::DeeplinkCollection)
            return static_cast<DeeplinkCollection*>(item)->name();
        return static_cast<Deeplink*>(item)->title();
    default:
        return {};
    }
}

QHash<int, QByteArray> FetchedResultsModel::roleNames() const {
    auto names = QAbstractItemModel::roleNames();
    names.insert(ObjectRole, "object");
    names.insert(SectionKeyRole, "sectionKey");
    names.insert(IsSectionRole, "isSection");
    return names;
}

bool FetchedResultsModel::matches(const ManagedObject* object) const {
    return object->entity() == m_request.entity && !object->isDeleted() &&
           (!m_request.predicate || m_request.predicate(*object));
}

bool FetchedResultsModel::less(const ManagedObject* a, const ManagedObject* b) const {
    if (m_request.lessThan) {
        if (m_request.lessThan(*a, *b))
            return true;
        if (m_request.lessThan(*b, *a))
            return false;
    }
    // Ties keep creation order, so rows never swap places for no reason.
    return a->serial() < b->serial();
}

QString FetchedResultsModel::keyOf(const ManagedObject* object) const {
    return m_request.sectionKey ? m_request.sectionKey(*object) : QString();
}

std::pair<int, int> FetchedResultsModel::find(const ManagedObject* object) const {
    for (int s = 0; s < m_sections.size(); ++s) {
        const int row = int(m_sections.at(s).objects.indexOf(object));
        if (row >= 0)
            return {s, row};
    }
    return {-1, -1};
}

std::pair<int, int> FetchedResultsModel::placeFor(const ManagedObject* object,
                                                  bool* isNewSection) const {
    const QString key = keyOf(object);
    *isNewSection = false;
    for (int s = 0; s < m_sections.size(); ++s) {
        const Section& section = m_sections.at(s);
        if (section.key == key) {
            const auto it = std::lower_bound(
                section.objects.begin(), section.objects.end(), object,
                [this](const ManagedObject* a, const ManagedObject* b) { return less(a, b); });
            return {s, int(it - section.objects.begin())};
        }
        // Sections follow the sort order of their first objects.
        if (less(object, section.objects.front())) {
            *isNewSection = true;
            return {s, 0};
        }
    }
    *isNewSection = true;
    return {int(m_sections.size()), 0};
}

void FetchedResultsModel::refetch() {
    m_sections.clear();
    if (!m_context)
        return;
    QList<ManagedObject*> objects;
    const auto collect = [&](auto* object) {
        if (matches(object))
            objects.append(object);
    };
    if (m_request.entity == ManagedObject::Entity::DeeplinkCollection) {
        for (auto* collection : m_context->collectionSet())
            collect(collection);
    } else {
        for (auto* deeplink : m_context->deeplinkSet())
            collect(deeplink);
    }
    std::sort(objects.begin(), objects.end(),
              [this](const ManagedObject* a, const ManagedObject* b) { return less(a, b); });
    for (ManagedObject* object : std::as_const(objects)) {
        const QString key = keyOf(object);
        if (m_sections.isEmpty() || m_sections.back().key != key)
            m_sections.append(Section{key, {}});
        m_sections.back().objects.append(object);
    }
}

void FetchedResultsModel::onObjectChanged(ManagedObject* object,
                                          ManagedObjectContext::Change change) {
    if (object->entity() != m_request.entity)
        return;
    const auto [section, row] = find(object);
    const bool present = section >= 0;
    const bool wanted = change != ManagedObjectContext::Change::Deleted && matches(object);

    if (!present) {
        if (wanted)
            insertObject(object);
        return;
    }
    if (!wanted) {
        removeObject(section, row);
        return;
    }
    // Still wanted: stay put when the order and section still hold, otherwise move.
    const auto& objects = m_sections.at(section).objects;
    const bool inOrder = (row == 0 || less(objects.at(row - 1), object)) &&
                         (row + 1 == objects.size() || less(object, objects.at(row + 1))) &&
                         keyOf(object) == m_sections.at(section).key;
    if (inOrder) {
        const QModelIndex changed = index(row, 0, sectionParent(section));
        Q_EMIT dataChanged(changed, changed);
        return;
    }
    removeObject(section, row);
    insertObject(object);
}

void FetchedResultsModel::insertObject(ManagedObject* object) {
    bool isNewSection = false;
    const auto [section, row] = placeFor(object, &isNewSection);
    if (isNewSection) {
        if (sectioned()) {
            beginInsertRows(QModelIndex(), section, section);
            m_sections.insert(section, Section{keyOf(object), {object}});
            endInsertRows();
        } else {
            beginInsertRows(QModelIndex(), 0, 0);
            m_sections.insert(section, Section{keyOf(object), {object}});
            endInsertRows();
        }
        return;
    }
    beginInsertRows(sectionParent(section), row, row);
    m_sections[section].objects.insert(row, object);
    endInsertRows();
}

void FetchedResultsModel::removeObject(int section, int row) {
    if (m_sections.at(section).objects.size() == 1) {
        const int first = sectioned() ? section : 0;
        beginRemoveRows(QModelIndex(), first, first);
        m_sections.removeAt(section);
        endRemoveRows();
        return;
    }
    beginRemoveRows(sectionParent(section), row, row);
    m_sections[section].objects.removeAt(row);
    endRemoveRows();
}
