#include "updates/ui/UpdaterController.h"

#include "updates/Updater.h"
#include "updates/ui/UpdateAlert.h"

#include <QApplication>
#include <QWidget>

UpdaterController::UpdaterController(bool startingUpdater, QObject* parent)
    : QObject(parent)
    , m_updater(new Updater(this)) {
    connect(m_updater, &Updater::checkFinished, this, &UpdaterController::showResult);
    if (startingUpdater)
        startUpdater();
}

UpdaterController::~UpdaterController() {
    delete m_alert.data();
}

UpdateAlert* UpdaterController::alert() const {
    return m_alert;
}

void UpdaterController::startUpdater() {
    m_updater->startUpdater();
}

void UpdaterController::checkForUpdates() {
    m_updater->checkForUpdates();
}

void UpdaterController::showResult(const UpdateCheckResult& result, bool userInitiated) {
    if (!userInitiated && result.outcome != UpdateCheckResult::Outcome::UpdateAvailable)
        return;
    // One alert at a time: a newer outcome replaces the one still up.
    QWidget* window = m_alert ? m_alert->parentWidget() : QApplication::activeWindow();
    if (m_alert)
        m_alert->close();
    if (window)
        window = window->window();
    auto* alert = new UpdateAlert(result, window);
    if (window)
        alert->setWindowModality(Qt::WindowModal);
    m_alert = alert;
    alert->show();
    alert->raise();
    alert->activateWindow();
    Q_EMIT alertShown(alert);
}
