#pragma once

#include "FakeXcode.h"
#include "FindChild.h"
#include "StoreBuilders.h"
#include "StoreFile.h"
#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "app/PreferencesDialog.h"
#include "execution/DeeplinkExecuter.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/RootView.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The menu item `offset` places after the one titled `text`, in any menu (or submenu) of the
// window.
inline QAction* menuItem(const QList<QAction*>& items, QStringView text, int offset) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items.at(i)->text() == text)
            return items.value(i + offset);
        if (QMenu* menu = items.at(i)->menu()) {
            if (QAction* found = menuItem(menu->actions(), text, offset))
                return found;
        }
    }
    return nullptr;
}

inline QAction* menuItem(const KestrineApp& app, QStringView text, int offset = 0) {
    return menuItem(app.window()->menuBar()->actions(), text, offset);
}

// The Preferences window while it is open, else null.
inline PreferencesDialog* preferences(const KestrineApp& app) {
    return app.window()->findChild<PreferencesDialog*>(QStringLiteral("preferences"));
}

// A loaded store file in a fresh temporary directory, as the executable hands it to the shell,
// and a stand-in Xcode listing one booted simulator ("S1", iPhone 15).
struct AppFixture {
    AppFixture() { xcode.setSimulators({QStringLiteral("S1|iPhone 15|Booted")}); }

    [[nodiscard]] ManagedObjectContext& context() const { return *store.context(); }
    void save() const {
        if (context().save().kind != SaveOutcome::Kind::Saved)
            qFatal("cannot save the test store");
    }
    // A collection named `name` holding `deeplinks` new deeplinks, unsaved.
    DeeplinkCollection* fill(const QString& name, int deeplinks = 0) const {
        DeeplinkCollection* collection = StoreBuilders::addCollection(context(), name);
        for (int i = 0; i < deeplinks; ++i)
            StoreBuilders::addDeeplink(context(), collection, {}, {});
        return collection;
    }

    // The shell on the store, not yet shown.
    KestrineApp& make() {
        app = std::make_unique<KestrineApp>(store.container());
        return *app;
    }
    // The shell on the store, shown and active; with the stand-in Xcode remembered, also done
    // with its start-up.
    KestrineApp& start(bool rememberXcode = true) {
        if (rememberXcode)
            XcodeBookmarkManager().saveBookmark(xcode.url());
        make();
        QSignalSpy ready(app.get(), &KestrineApp::mainContentReady);
        app->deeplinkExecuter().setInterpreterPath(xcode.toolPath(FakeXcode::Tool::Osascript));
        app->show();
        // Without a window manager nothing activates a new window by itself.
        app->window()->activateWindow();
        if ((rememberXcode && !ready.wait(20000)) || !QTest::qWaitForWindowActive(app->window()))
            qFatal("the main window did not come up");
        return *app;
    }
    [[nodiscard]] RootView* root() const {
        return qobject_cast<RootView*>(app->window()->centralWidget());
    }

    TestEnvironment env;
    StoreFile store{env};
    FakeXcode xcode{env.path()};
    std::unique_ptr<KestrineApp> app;
};
