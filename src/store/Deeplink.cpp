#include "store/Deeplink.h"

#include "store/DeeplinkCollection.h"
#include "store/UrlText.h"

Deeplink::Deeplink(ManagedObjectContext* context, qint64 storeId)
    : ManagedObject(Entity::Deeplink, context, storeId) {}

void Deeplink::setTitle(const QString& title) {
    setField(m_values.title, title);
}

void Deeplink::setUrlString(const QString& text) {
    const QString encoded = UrlText::encodedWhereNeeded(text);
    setField(m_values.urlText, UrlText::parse(encoded) ? encoded : QString());
}

QDateTime Deeplink::timestamp() const {
    if (!m_values.timestampMsecs)
        return {};
    return QDateTime::fromMSecsSinceEpoch(*m_values.timestampMsecs, Qt::UTC);
}

void Deeplink::setTimestamp(const QDateTime& timestamp) {
    setField(m_values.timestampMsecs,
             timestamp.isValid() ? std::optional(timestamp.toMSecsSinceEpoch()) : std::nullopt);
}

void Deeplink::setDeeplinkCollection(DeeplinkCollection* collection) {
    if (collection == m_values.collection)
        return;
    DeeplinkCollection* previous = m_values.collection;
    willChange();
    if (previous)
        previous->willChange();
    if (collection)
        collection->willChange();
    attachTo(collection);
    didChange();
    if (previous)
        previous->didChange();
    if (collection)
        collection->didChange();
}

void Deeplink::attachTo(DeeplinkCollection* collection) {
    // Read in before one more joins them, or the list would hold the newcomer alone.
    if (collection)
        (void)collection->deeplinks();
    if (m_values.collection)
        m_values.collection->m_deeplinks.removeOne(this);
    m_values.collection = collection;
    if (collection)
        collection->m_deeplinks.append(this);
}

#include "moc_Deeplink.cpp"
