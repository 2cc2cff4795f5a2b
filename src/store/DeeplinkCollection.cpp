#include "store/DeeplinkCollection.h"

#include "store/Deeplink.h"
#include "store/TextFolding.h"

DeeplinkCollection::DeeplinkCollection(ManagedObjectContext* context, qint64 storeId)
    : ManagedObject(Entity::DeeplinkCollection, context, storeId) {}

void DeeplinkCollection::setUid(const QUuid& uid) {
    if (uid == m_values.uid)
        return;
    willChange();
    m_values.uid = uid;
    didChange();
}

void DeeplinkCollection::setName(const QString& name) {
    if (name == m_values.name && name.isNull() == m_values.name.isNull())
        return;
    willChange();
    m_values.name = name;
    m_foldedName = TextFolding::fold(name);
    didChange();
}

void DeeplinkCollection::setEmoji(const QString& emoji) {
    if (emoji == m_values.emoji && emoji.isNull() == m_values.emoji.isNull())
        return;
    willChange();
    m_values.emoji = emoji;
    didChange();
}

void DeeplinkCollection::setIsPinned(bool isPinned) {
    if (isPinned == m_values.isPinned)
        return;
    willChange();
    m_values.isPinned = isPinned;
    didChange();
}

void DeeplinkCollection::setColor(double red, double green, double blue, double alpha) {
    if (red == m_values.colorR && green == m_values.colorG && blue == m_values.colorB &&
        alpha == m_values.colorA)
        return;
    willChange();
    m_values.colorR = red;
    m_values.colorG = green;
    m_values.colorB = blue;
    m_values.colorA = alpha;
    didChange();
}

QDateTime DeeplinkCollection::timestamp() const {
    if (!m_values.timestampMsecs)
        return {};
    return QDateTime::fromMSecsSinceEpoch(*m_values.timestampMsecs, Qt::UTC);
}

void DeeplinkCollection::setTimestamp(const QDateTime& timestamp) {
    const std::optional<qint64> msecs =
        timestamp.isValid() ? std::optional(timestamp.toMSecsSinceEpoch()) : std::nullopt;
    if (msecs == m_values.timestampMsecs)
        return;
    willChange();
    m_values.timestampMsecs = msecs;
    didChange();
}

void DeeplinkCollection::addDeeplink(Deeplink* deeplink) {
    if (deeplink)
        deeplink->setDeeplinkCollection(this);
}

void DeeplinkCollection::restore(const Values& values) {
    m_values = values;
    m_foldedName = TextFolding::fold(values.name);
}
