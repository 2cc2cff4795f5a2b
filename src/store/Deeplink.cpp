#include "store/Deeplink.h"

#include "store/DeeplinkCollection.h"

Deeplink::Deeplink(ManagedObjectContext* context, qint64 storeId)
    : ManagedObject(Entity::Deeplink, context, storeId) {}

void Deeplink::setTitle(const QString& title) {
    if (title == m_values.title && title.isNull() == m_values.title.isNull())
        return;
    willChange();
    m_values.title = title;
    didChange();
}

QUrl Deeplink::url() const {
    if (m_values.urlText.isNull())
        return {};
    return QUrl::fromEncoded(m_values.urlText.toUtf8(), QUrl::StrictMode);
}

void Deeplink::setUrl(const QUrl& url) {
    const QString text = url.isValid() && !url.isEmpty()
                             ? QString::fromUtf8(url.toEncoded(QUrl::FullyEncoded))
                             : QString();
    if (text == m_values.urlText && text.isNull() == m_values.urlText.isNull())
        return;
    willChange();
    m_values.urlText = text;
    didChange();
}

QDateTime Deeplink::timestamp() const {
    if (!m_values.timestampMsecs)
        return {};
    return QDateTime::fromMSecsSinceEpoch(*m_values.timestampMsecs, Qt::UTC);
}

void Deeplink::setTimestamp(const QDateTime& timestamp) {
    const std::optional<qint64> msecs =
        timestamp.isValid() ? std::optional(timestamp.toMSecsSinceEpoch()) : std::nullopt;
    if (msecs == m_values.timestampMsecs)
        return;
    willChange();
    m_values.timestampMsecs = msecs;
    didChange();
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
    if (m_values.collection)
        m_values.collection->m_deeplinks.removeOne(this);
    m_values.collection = collection;
    if (collection)
        collection->m_deeplinks.append(this);
}

QUrl Deeplink::urlFromText(const QString& text) {
    if (text.isEmpty())
        return {};
    QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}
