#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <exception>
#include <functional>

#include "destinations/RunDestinationManager.h"
#include "targetapps/BundleIdManager.h"

// Fires one deeplink at the selected destination. (Placeholder until firing lands.)
class DeeplinkExecuter : public QObject {
    Q_OBJECT
public:
    // Called exactly once: no error and false on success, the error and true on failure.
    using Completion = std::function<void(std::exception_ptr error, bool failed)>;

    explicit DeeplinkExecuter(QObject* parent = nullptr);

    void setRunDestinationManager(RunDestinationManager* manager) { m_runDestinationManager = manager; }
    void setBundleIdManager(BundleIdManager* manager) { m_bundleIdManager = manager; }

    QCoro::Task<> execute(QUrl url, Completion completion);

private:
    QPointer<RunDestinationManager> m_runDestinationManager;
    QPointer<BundleIdManager> m_bundleIdManager;
};
