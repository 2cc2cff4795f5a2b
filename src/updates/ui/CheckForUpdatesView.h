#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMenuBar;
class SparkleUpdater;

// QObject that owns the "Check for Updates…" QAction of the menu bar; no widget of its own. Its
// enablement is asked of the updater afresh each time the menu holding it opens (nothing is
// cached); choosing it starts one check.
class CheckForUpdatesView : public QObject {
    Q_OBJECT
public:
    explicit CheckForUpdatesView(SparkleUpdater& updater, QObject* parent = nullptr);

    // Puts the item right after the about item of whichever menu of `bar` holds one. With no
    // about item anywhere, a "Help" menu with "About Kestrine" (and the version) comes first.
    void install(QMenuBar* bar);

private:
    [[nodiscard]] bool canCheckForUpdates() const;
    void refresh();
    void check();

    SparkleUpdater& m_updater;
    QPointer<QAction> m_action;
};
