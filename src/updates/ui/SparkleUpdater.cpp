#include "updates/ui/SparkleUpdater.h"

#include "updates/ui/UpdaterController.h"

SparkleUpdater::SparkleUpdater(QObject* parent)
    : QObject(parent)
    , m_updaterController(new UpdaterController(true, this)) {}

SparkleUpdater::~SparkleUpdater() = default;
