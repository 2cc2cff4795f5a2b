#include "destinations/RunDestinationManager.h"

RunDestinationManager::RunDestinationManager(QObject* parent)
    : QObject(parent)
{
}

void RunDestinationManager::configure(const QUrl& xcodeURL)
{
    m_xcodeURL = xcodeURL;
}

QCoro::Task<> RunDestinationManager::fetchDevices(QUrl xcodeURL)
{
    m_xcodeURL = xcodeURL;
    co_return;
}
