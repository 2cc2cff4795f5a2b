#include "targetapps/BundleIdManager.h"

BundleIdManager::BundleIdManager(QObject* parent)
    : QObject(parent)
{
}
