#include "window/WindowState.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"

#include <utility>

WindowState::WindowState(ManagedObjectContext* context, QObject* parent)
    : QObject(parent)
    , m_context(context) {
    m_sectionedCollection = new FetchedResultsModel(context, DeeplinkQueries::collections(), this);
    if (context) {
        connect(context, &ManagedObjectContext::objectChanged, this, &WindowState::objectChanged);
        connect(context, &ManagedObjectContext::didSave, this, [this] {
            m_deletedCollection = nullptr;
            m_deletedDeeplink = nullptr;
        });
    }
    m_title = title();
}

DeeplinkCollection* WindowState::selectedDeeplinkCollection() const {
    return m_selectedDeeplinkCollection;
}

Deeplink* WindowState::selectedDeeplink() const {
    return m_selectedDeeplink;
}

void WindowState::setSelectedDeeplinkCollection(DeeplinkCollection* collection) {
    if (collection == m_selectedDeeplinkCollection)
        return;
    // The sidebar may drop a deleted collection before this state hears of the deletion.
    if (m_selectedDeeplinkCollection && m_selectedDeeplinkCollection->isDeleted())
        m_deletedCollection = m_selectedDeeplinkCollection;
    if (m_selectedDeeplinkCollection)
        disconnect(m_selectedDeeplinkCollection, &ManagedObject::changed, this,
                   &WindowState::updateTitle);
    m_selectedDeeplinkCollection = collection;
    if (collection)
        connect(collection, &ManagedObject::changed, this, &WindowState::updateTitle);
    setSelectedDeeplink(nullptr);
    updateTitle();
    Q_EMIT selectedDeeplinkCollectionChanged(collection);
}

void WindowState::setSelectedDeeplink(Deeplink* deeplink) {
    if (deeplink == m_selectedDeeplink)
        return;
    if (m_selectedDeeplink && m_selectedDeeplink->isDeleted())
        m_deletedDeeplink = m_selectedDeeplink;
    m_selectedDeeplink = deeplink;
    Q_EMIT selectedDeeplinkChanged(deeplink);
}

void WindowState::setSelectedScope(SearchRootScope scope) {
    if (scope == m_selectedScope)
        return;
    m_selectedScope = scope;
    // Searching deeplinks lists every collection again; coming back to collections does not
    // re-apply the text until it is next edited.
    if (scope.deeplinkField && m_collectionFilterActive) {
        m_collectionFilterActive = false;
        m_sectionedCollection->setFetchRequest(DeeplinkQueries::collections());
    }
    Q_EMIT selectedScopeChanged(scope);
}

void WindowState::setSearchText(const QString& text) {
    if (text == m_searchText)
        return;
    m_searchText = text;
    if (m_selectedScope.isCollection()) {
        m_collectionFilterActive = !text.isEmpty();
        m_sectionedCollection->setFetchRequest(DeeplinkQueries::collections(text));
    }
    Q_EMIT searchTextChanged(text);
}

bool WindowState::collectionsNotFound() const {
    return !m_searchText.isEmpty() && m_selectedScope.isCollection() &&
           m_sectionedCollection->isEmpty();
}

FetchRequest WindowState::deeplinkFetchRequest() const {
    DeeplinkQueries::TextField field = DeeplinkQueries::TextField::None;
    if (m_selectedScope.deeplinkField) {
        field = *m_selectedScope.deeplinkField == DeeplinkScope::Title
                    ? DeeplinkQueries::TextField::Title
                    : DeeplinkQueries::TextField::Url;
    }
    const QUuid uid = m_selectedDeeplinkCollection ? m_selectedDeeplinkCollection->uid() : QUuid();
    return DeeplinkQueries::deeplinks(uid, field, m_searchText);
}

QString WindowState::title() const {
    return title(m_selectedDeeplinkCollection);
}

QString WindowState::title(const DeeplinkCollection* collection) {
    if (!collection || collection->name().isEmpty())
        return QStringLiteral("Kestrine");
    return collection->name();
}

void WindowState::updateTitle() {
    const QString title = this->title();
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

void WindowState::objectChanged(ManagedObject* object, ManagedObjectContext::Change change) {
    if (change == ManagedObjectContext::Change::Inserted)
        restoreDeletedSelection();
    if (change != ManagedObjectContext::Change::Deleted)
        return;
    // Whatever deleted it, a deleted object is no longer selected.
    if (object == m_selectedDeeplink)
        setSelectedDeeplink(nullptr);
    if (object == m_selectedDeeplinkCollection)
        setSelectedDeeplinkCollection(nullptr);
}

void WindowState::restoreDeletedSelection() {
    // Only into an empty selection: one made since the deletion stays.
    if (m_deletedCollection && !m_deletedCollection->isDeleted() && !m_selectedDeeplinkCollection)
        setSelectedDeeplinkCollection(std::exchange(m_deletedCollection, nullptr));
    if (m_deletedDeeplink && !m_deletedDeeplink->isDeleted() && !m_selectedDeeplink &&
        m_deletedDeeplink->deeplinkCollection() == m_selectedDeeplinkCollection)
        setSelectedDeeplink(std::exchange(m_deletedDeeplink, nullptr));
}

#include "moc_WindowState.cpp"
