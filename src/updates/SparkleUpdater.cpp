#include "updates/SparkleUpdater.h"

#include "updates/UpdaterController.h"

SparkleUpdater::SparkleUpdater(QObject* parent)
    : QObject(parent)
    , m_updaterController(new UpdaterController(true, this)) {}

SparkleUpdater::~SparkleUpdater() = default;
