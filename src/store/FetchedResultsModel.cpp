#include "store/FetchedResultsModel.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"

#include <algorithm>

namespace {
// Internal ids of model indexes: 0 for a section row; an object row carries its section's
// id, which stays the same while sections come and go around it (persistent indexes of
// the objects rely on that).
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
        const int section = sectionWithId(index.internalId());
        return section < 0 ? nullptr : m_sections.at(section).objects.value(index.row());
    }
    return m_sections.isEmpty() ? nullptr : m_sections.front().objects.at(index.row());
}

QModelIndex FetchedResultsModel::indexOf(const ManagedObject* object) const {
    const auto [section, row] = find(object);
    if (section < 0)
        return {};
    return index(row, 0, sectionParent(section));
}

int FetchedResultsModel::sectionWithId(quintptr id) const {
    for (int s = 0; s < m_sections.size(); ++s) {
        if (m_sections.at(s).id == id)
            return s;
    }
    return -1;
}

FetchedResultsModel::Section FetchedResultsModel::newSection(const QString& key,
                                                             ManagedObject* first) {
    Section section{key, {}, m_nextSectionId++};
    if (first)
        section.objects.append(first);
    return section;
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
    return createIndex(row, 0, m_sections.at(parent.row()).id);
}

QModelIndex FetchedResultsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !sectioned() || child.internalId() == sectionRowId)
        return {};
    const int section = sectionWithId(child.internalId());
    return section < 0 ? QModelIndex() : createIndex(section, 0, sectionRowId);
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

Qt::ItemFlags FetchedResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Section rows are headers: they group objects but cannot be selected themselves.
    if (sectioned() && index.internalId() == sectionRowId)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
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
    if (role == Qt::AccessibleTextRole && m_accessibleText)
        return m_accessibleText(index);
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
    if (object->entity() != m_request.entity || object->isDeleted())
        return false;
    if (m_request.within && object->entity() == ManagedObject::Entity::Deeplink) {
        const DeeplinkCollection* collection =
            static_cast<const Deeplink*>(object)->deeplinkCollection();
        if (!collection || !m_request.within(*collection))
            return false;
    }
    return !m_request.predicate || m_request.predicate(*object);
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
    } else if (m_request.within) {
        for (auto* collection : m_context->collectionSet()) {
            if (m_request.within(*collection)) {
                for (auto* deeplink : collection->deeplinks())
                    collect(deeplink);
            }
        }
    } else {
        for (auto* deeplink : m_context->deeplinks())
            collect(deeplink);
    }
    std::sort(objects.begin(), objects.end(),
              [this](const ManagedObject* a, const ManagedObject* b) { return less(a, b); });
    for (ManagedObject* object : std::as_const(objects)) {
        const QString key = keyOf(object);
        if (m_sections.isEmpty() || m_sections.back().key != key)
            m_sections.append(newSection(key));
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
    moveObject(section, row);
}

void FetchedResultsModel::insertObject(ManagedObject* object) {
    bool isNewSection = false;
    const auto [section, row] = placeFor(object, &isNewSection);
    if (isNewSection) {
        if (sectioned()) {
            beginInsertRows(QModelIndex(), section, section);
            m_sections.insert(section, newSection(keyOf(object), object));
            endInsertRows();
        } else {
            beginInsertRows(QModelIndex(), 0, 0);
            m_sections.insert(section, newSection(keyOf(object), object));
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

int FetchedResultsModel::rowFor(const QList<ManagedObject*>& objects,
                                const ManagedObject* object) const {
    const auto it = std::lower_bound(
        objects.begin(), objects.end(), object,
        [this](const ManagedObject* a, const ManagedObject* b) { return less(a, b); });
    return int(it - objects.begin());
}

void FetchedResultsModel::moveObject(int section, int row) {
    // A real move (not remove + insert) keeps views' selections and persistent indexes on
    // the object, so pinning the selected collection leaves it selected.
    ManagedObject* object = m_sections.at(section).objects.at(row);
    const QString key = keyOf(object);

    int target = section;
    if (key != m_sections.at(section).key) {
        target = -1;
        for (int s = 0; s < m_sections.size(); ++s) {
            if (m_sections.at(s).key == key)
                target = s;
        }
        if (target < 0) {
            // The object opens a section of its own; sections follow the order of their first
            // objects, the object's current section judged without it.
            target = int(m_sections.size());
            for (int s = 0; s < m_sections.size(); ++s) {
                const QList<ManagedObject*>& objects = m_sections.at(s).objects;
                const ManagedObject* first = objects.front() != object ? objects.front()
                                             : objects.size() > 1      ? objects.at(1)
                                                                       : nullptr;
                if (first && less(object, first)) {
                    target = s;
                    break;
                }
            }
            beginInsertRows(QModelIndex(), target, target);
            m_sections.insert(target, newSection(key));
            endInsertRows();
            if (target <= section)
                ++section;
        }
    }

    QList<ManagedObject*> others = m_sections.at(target).objects;
    if (target == section)
        others.removeAt(row);
    const int destination = rowFor(others, object);
    if (target == section && destination == row) {
        const QModelIndex changed = index(row, 0, sectionParent(section));
        Q_EMIT dataChanged(changed, changed);
        return;
    }
    // beginMoveRows counts the destination before the move takes the row out.
    const int destinationChild =
        target == section && destination > row ? destination + 1 : destination;
    [[maybe_unused]] const bool moved =
        beginMoveRows(sectionParent(section), row, row, sectionParent(target), destinationChild);
    Q_ASSERT(moved);
    m_sections[section].objects.removeAt(row);
    m_sections[target].objects.insert(destination, object);
    endMoveRows();
    const QModelIndex changed = index(destination, 0, sectionParent(target));
    Q_EMIT dataChanged(changed, changed);

    if (m_sections.at(section).objects.isEmpty()) {
        beginRemoveRows(QModelIndex(), section, section);
        m_sections.removeAt(section);
        endRemoveRows();
    }
}

#include "moc_FetchedResultsModel.cpp"
