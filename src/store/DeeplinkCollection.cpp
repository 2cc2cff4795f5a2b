#include "store/DeeplinkCollection.h"

#include "store/Deeplink.h"
#include "store/ManagedObjectContext.h"
#include "store/TextFolding.h"

#include <tuple>

DeeplinkCollection::DeeplinkCollection(ManagedObjectContext* context, qint64 storeId)
    : ManagedObject(Entity::DeeplinkCollection, context, storeId) {}

void DeeplinkCollection::setUid(const QUuid& uid) {
    setField(m_values.uid, uid);
}

void DeeplinkCollection::setName(const QString& name) {
    setField(m_values.name, name, [&] { m_foldedName = TextFolding::fold(name); });
}

void DeeplinkCollection::setEmoji(const QString& emoji) {
    setField(m_values.emoji, emoji);
}

void DeeplinkCollection::setIsPinned(bool isPinned) {
    setField(m_values.isPinned, isPinned);
}

void DeeplinkCollection::setColor(double red, double green, double blue, double alpha) {
    setField(std::tie(m_values.colorR, m_values.colorG, m_values.colorB, m_values.colorA),
             std::tuple(red, green, blue, alpha));
}

void DeeplinkCollection::setEnvironments(const QList<Environment>& environments) {
    setField(m_values.environments, environments);
}

void DeeplinkCollection::setActiveEnvironment(const QString& name) {
    setField(m_values.activeEnvironment, name);
}

QList<Variable> DeeplinkCollection::activeVariables() const {
    if (m_values.activeEnvironment.isEmpty())
        return {};
    const std::optional<Environment> active =
        Environment::named(m_values.environments, m_values.activeEnvironment);
    return active ? active->variables : QList<Variable>();
}

QDateTime DeeplinkCollection::timestamp() const {
    if (!m_values.timestampMsecs)
        return {};
    return QDateTime::fromMSecsSinceEpoch(*m_values.timestampMsecs, Qt::UTC);
}

void DeeplinkCollection::setTimestamp(const QDateTime& timestamp) {
    setField(m_values.timestampMsecs,
             timestamp.isValid() ? std::optional(timestamp.toMSecsSinceEpoch()) : std::nullopt);
}

const QList<Deeplink*>& DeeplinkCollection::deeplinks() const {
    // Reading them in is no change of the collection, so it is allowed on a const one.
    if (!m_deeplinksLoaded)
        managedObjectContext()->loadDeeplinks(const_cast<DeeplinkCollection*>(this));
    return m_deeplinks;
}

void DeeplinkCollection::addDeeplink(Deeplink* deeplink) {
    if (deeplink)
        deeplink->setDeeplinkCollection(this);
}

void DeeplinkCollection::restore(const Values& values) {
    m_values = values;
    m_foldedName = TextFolding::fold(values.name);
}

#include "moc_DeeplinkCollection.cpp"
