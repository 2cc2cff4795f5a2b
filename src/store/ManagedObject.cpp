#include "store/ManagedObject.h"

#include "store/ManagedObjectContext.h"

ManagedObject::ManagedObject(Entity entity, ManagedObjectContext* context, qint64 storeId)
    : m_entity(entity)
    , m_context(context)
    , m_storeId(storeId) {}

void ManagedObject::willChange() {
    if (m_context)
        m_context->objectWillChange(this);
}

void ManagedObject::didChange() {
    if (m_context)
        m_context->objectDidChange(this);
    Q_EMIT changed();
}

#include "moc_ManagedObject.cpp"
