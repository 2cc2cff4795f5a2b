#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObjectContext.h"
#include "window/SearchRootScope.h"

#include <QObject>
#include <QPointer>

class Deeplink;
class DeeplinkCollection;
class FetchedResultsModel;

// QObject that holds what the main window's columns share: the selected collection and
// deeplink, the search text and scope, and the live collection query the search filters.
// The columns show it and write user choices back; no widget lives here.
class WindowState : public QObject {
    Q_OBJECT
public:
    explicit WindowState(ManagedObjectContext* context, QObject* parent = nullptr);

    [[nodiscard]] ManagedObjectContext* context() const { return m_context; }

    [[nodiscard]] DeeplinkCollection* selectedDeeplinkCollection() const;
    // Another collection also drops the selected deeplink, which belongs to the old one.
    void setSelectedDeeplinkCollection(DeeplinkCollection* collection);
    [[nodiscard]] Deeplink* selectedDeeplink() const;
    void setSelectedDeeplink(Deeplink* deeplink);

    [[nodiscard]] SearchRootScope selectedScope() const { return m_selectedScope; }
    void setSelectedScope(SearchRootScope scope);
    [[nodiscard]] QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);

    // The sectioned collection query, narrowed by a collection search.
    [[nodiscard]] FetchedResultsModel* sectionedCollection() const { return m_sectionedCollection; }
    // A collection search whose text matches no collection (read again when the query's rows
    // change).
    [[nodiscard]] bool collectionsNotFound() const;
    // The deeplink query of the middle column for the current selection, text and scope.
    [[nodiscard]] FetchRequest deeplinkFetchRequest() const;
    // The window title: the selected collection's name, or "Kestrine" without one.
    [[nodiscard]] QString title() const;
    [[nodiscard]] static QString title(const DeeplinkCollection* collection);

Q_SIGNALS:
    void selectedDeeplinkCollectionChanged(DeeplinkCollection* collection);
    void selectedDeeplinkChanged(Deeplink* deeplink);
    void selectedScopeChanged(SearchRootScope scope);
    void searchTextChanged(const QString& text);
    void titleChanged(const QString& title);

private:
    void updateTitle();
    void objectChanged(ManagedObject* object, ManagedObjectContext::Change change);
    void restoreDeletedSelection();

    QPointer<ManagedObjectContext> m_context;
    QPointer<DeeplinkCollection> m_selectedDeeplinkCollection;
    QPointer<Deeplink> m_selectedDeeplink;
    // The selection a deletion took away, until that deletion is saved: a rollback brings
    // the objects back and, through these, their selection.
    QPointer<DeeplinkCollection> m_deletedCollection;
    QPointer<Deeplink> m_deletedDeeplink;
    SearchRootScope m_selectedScope;
    QString m_searchText;
    FetchedResultsModel* m_sectionedCollection = nullptr;
    bool m_collectionFilterActive = false;
    QString m_title;
};
