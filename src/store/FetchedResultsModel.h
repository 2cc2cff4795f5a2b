#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObjectContext.h"

#include <QAbstractItemModel>
#include <QPointer>

#include <functional>

// QAbstractItemModel that is a live query over the main context (ManagedObjectContext), as a
// FetchRequest defines it. Without a section key it is a flat list; with one, the top-level rows
// are the sections and their children the objects. It follows inserts, edits and deletes of the
// context incrementally, unsaved changes included.
class FetchedResultsModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Roles {
        ObjectRole = Qt::UserRole + 1, // ManagedObject*
        SectionKeyRole,                // QString
        IsSectionRole,                 // bool
    };

    struct Section {
        QString key;
        QList<ManagedObject*> objects;
        quintptr id = 0; // stable for the section's lifetime; never 0
    };

    FetchedResultsModel(ManagedObjectContext* context, FetchRequest request,
                        QObject* parent = nullptr);

    // What assistive technology reads for a row (Qt::AccessibleTextRole): the words the view
    // draws, which only the view knows.
    void setAccessibleText(std::function<QString(const QModelIndex&)> text) {
        m_accessibleText = std::move(text);
    }

    // Replaces the query (a new filter, say) and refetches.
    void setFetchRequest(FetchRequest request);
    [[nodiscard]] const FetchRequest& fetchRequest() const { return m_request; }

    [[nodiscard]] const QList<Section>& sections() const { return m_sections; }
    // All fetched objects in order, sections concatenated.
    [[nodiscard]] QList<ManagedObject*> fetchedObjects() const;
    [[nodiscard]] bool isEmpty() const { return m_sections.isEmpty(); }
    [[nodiscard]] ManagedObject* object(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex indexOf(const ManagedObject* object) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // None: the views hide their headers, which would otherwise read as column numbers.
    QVariant headerData(int, Qt::Orientation, int) const override { return {}; }
    QHash<int, QByteArray> roleNames() const override;

private:
    [[nodiscard]] bool sectioned() const { return bool(m_request.sectionKey); }
    [[nodiscard]] bool matches(const ManagedObject* object) const;
    [[nodiscard]] bool less(const ManagedObject* a, const ManagedObject* b) const;
    [[nodiscard]] QString keyOf(const ManagedObject* object) const;
    // Section and row of an object, or {-1, -1}.
    [[nodiscard]] std::pair<int, int> find(const ManagedObject* object) const;
    [[nodiscard]] QModelIndex sectionParent(int section) const;
    // Where `object` belongs: section index (may be one past an existing one when a new
    // section is needed, with `isNewSection` set) and row inside it.
    [[nodiscard]] std::pair<int, int> placeFor(const ManagedObject* object,
                                               bool* isNewSection) const;

    [[nodiscard]] int sectionWithId(quintptr id) const;
    Section newSection(const QString& key, ManagedObject* first = nullptr);
    void refetch();
    void onObjectChanged(ManagedObject* object, ManagedObjectContext::Change change);
    void insertObject(ManagedObject* object);
    void removeObject(int section, int row);
    // Moves the object at `row` of `section` to where its current values put it.
    void moveObject(int section, int row);
    // Where `object` belongs in the sorted `objects`.
    [[nodiscard]] int rowFor(const QList<ManagedObject*>& objects,
                             const ManagedObject* object) const;

    QPointer<ManagedObjectContext> m_context;
    FetchRequest m_request;
    QList<Section> m_sections;
    quintptr m_nextSectionId = 1;
    std::function<QString(const QModelIndex&)> m_accessibleText;
};
