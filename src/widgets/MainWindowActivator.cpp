#include "widgets/MainWindowActivator.h"

#include "platform/WindowActivator.h"

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

namespace MainWindowActivator {

void install() {
    WindowActivator::setHandler(&raiseKestrineWindow);
}

void raiseKestrineWindow() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    // Kestrine's main window first (it may be behind another application's windows), then
    // whatever window of ours is active, then any visible top-level window.
    QWidget* window = nullptr;
    QWidget* firstVisible = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = candidate->windowType();
        if (!candidate->isVisible() || candidate->parentWidget() ||
            (type != Qt::Window && type != Qt::Dialog))
            continue;
        if (qobject_cast<QMainWindow*>(candidate)) {
            window = candidate;
            break;
        }
        if (!firstVisible)
            firstVisible = candidate;
    }
    if (!window)
        window = QApplication::activeWindow();
    if (!window)
        window = firstVisible;
    if (!window)
        return;
    window = window->window();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace MainWindowActivator
