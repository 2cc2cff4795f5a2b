#include "updates/ui/AutomaticChecksBox.h"

#include "updates/Updater.h"

#include <QEvent>

AutomaticChecksBox::AutomaticChecksBox(QWidget* parent)
    : QCheckBox(QStringLiteral("Check for updates automatically at start-up"), parent) {
    setChecked(Updater::automaticallyChecksForUpdates());
    connect(this, &QCheckBox::toggled, this,
            [](bool on) { Updater::setAutomaticallyChecksForUpdates(on); });
}

bool AutomaticChecksBox::event(QEvent* event) {
    // Windows hand their activation on to every child.
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        setChecked(Updater::automaticallyChecksForUpdates());
    return QCheckBox::event(event);
}
