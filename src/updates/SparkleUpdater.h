#pragma once

#include <QObject>

// Owns the updater for the whole run. (Placeholder until the update check lands.)
class SparkleUpdater : public QObject {
    Q_OBJECT
public:
    explicit SparkleUpdater(QObject* parent = nullptr);

    [[nodiscard]] bool canCheckForUpdates() const { return false; }
    void checkForUpdates() {}
};
