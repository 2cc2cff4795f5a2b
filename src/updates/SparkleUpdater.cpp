#include "updates/SparkleUpdater.h"

SparkleUpdater::SparkleUpdater(QObject* parent)
    : QObject(parent)
{
}
