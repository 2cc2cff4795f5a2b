#include "updates/ui/CheckForUpdatesView.h"

#include "platform/AppIdentity.h"
#include "updates/Updater.h"
#include "updates/ui/SparkleUpdater.h"
#include "updates/ui/UpdaterController.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace {

QAction* findAboutItem(QMenuBar* bar, QMenu** holder) {
    for (QAction* entry : bar->actions()) {
        QMenu* menu = entry->menu();
        if (!menu)
            continue;
        for (QAction* item : menu->actions()) {
            if (item->menuRole() == QAction::AboutRole) {
                *holder = menu;
                return item;
            }
        }
    }
    return nullptr;
}

QAction* addAboutItem(QMenuBar* bar, QMenu** holder) {
    QMenu* help = bar->addMenu(QObject::tr("&Help"));
    QAction* about = help->addAction(QStringLiteral("About Kestrine"));
    about->setMenuRole(QAction::AboutRole);
    QWidget* window = bar->window();
    QObject::connect(about, &QAction::triggered, window, [window] {
        QMessageBox::about(
            window, QStringLiteral("About Kestrine"),
            QStringLiteral("<b>Kestrine</b> %1").arg(QString::fromLatin1(AppIdentity::version)));
    });
    *holder = help;
    return about;
}

} // namespace

CheckForUpdatesView::CheckForUpdatesView(SparkleUpdater& updater, QObject* parent)
    : QObject(parent)
    , m_updater(updater) {}

void CheckForUpdatesView::install(QMenuBar* bar) {
    QMenu* holder = nullptr;
    QAction* about = findAboutItem(bar, &holder);
    if (!about)
        about = addAboutItem(bar, &holder);

    const QList<QAction*> items = holder->actions();
    const qsizetype next = items.indexOf(about) + 1;
    auto* action = new QAction(QStringLiteral("Check for Updates\u2026"), holder);
    action->setObjectName(QStringLiteral("checkForUpdates"));
    action->setMenuRole(QAction::ApplicationSpecificRole);
    holder->insertAction(next < items.size() ? items.at(next) : nullptr, action);
    m_action = action;

    connect(holder, &QMenu::aboutToShow, this, &CheckForUpdatesView::refresh);
    // Where the item moves out of its menu (the application menu on macOS), the menu above
    // never opens: follow the updater too.
    connect(m_updater.updaterController().updater(), &Updater::canCheckForUpdatesChanged, this,
            &CheckForUpdatesView::refresh);
    connect(action, &QAction::triggered, this, &CheckForUpdatesView::check);
    refresh();
}

bool CheckForUpdatesView::canCheckForUpdates() const {
    return m_updater.updaterController().updater()->canCheckForUpdates();
}

void CheckForUpdatesView::refresh() {
    if (m_action)
        m_action->setEnabled(canCheckForUpdates());
}

void CheckForUpdatesView::check() {
    // The item can still be triggered after the menu closed; the updater decides.
    if (canCheckForUpdates())
        m_updater.updaterController().checkForUpdates();
}
