#pragma once

#include <QObject>

class UpdaterController;

// QObject that owns the updater controller for the whole run (the app holds one); the controller's
// updater is started at once (ready to check, checking by itself only when the user turned
// automatic checks on).
class SparkleUpdater : public QObject {
    Q_OBJECT
public:
    explicit SparkleUpdater(QObject* parent = nullptr);
    ~SparkleUpdater() override;

    [[nodiscard]] UpdaterController& updaterController() const { return *m_updaterController; }

private:
    UpdaterController* m_updaterController = nullptr;
};
