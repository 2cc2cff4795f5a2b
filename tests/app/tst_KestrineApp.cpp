#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class tst_KestrineApp : public QObject {
    Q_OBJECT

private:
    static QAction* menuAction(QMainWindow* window, const QString& menuTitle, const QString& text) {
        for (QAction* menuEntry : window->menuBar()->actions()) {
            if (menuEntry->text() != menuTitle || !menuEntry->menu())
                continue;
            for (QAction* action : menuEntry->menu()->actions()) {
                if (action->text() == text)
                    return action;
            }
        }
        return nullptr;
    }

    static std::unique_ptr<PersistentContainer> openStore(const QString& path) {
        auto container = std::make_unique<PersistentContainer>(path);
        return container->loadPersistentStores() ? nullptr : std::move(container);
    }

    static void fill(ManagedObjectContext* context, int collections) {
        for (int i = 0; i < collections; ++i) {
            DeeplinkCollection* collection = context->insertCollection();
            collection->setName(QStringLiteral("Collection %1").arg(i));
            for (int j = 0; j < 3; ++j)
                collection->addDeeplink(context->insertDeeplink());
        }
    }

private Q_SLOTS:
    void deleteAllEmptiesTheStoreAndSaves() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        auto container = openStore(path);
        QVERIFY(container);
        fill(container->viewContext(), 4);
        QVERIFY(container->viewContext()->save());
        fill(container->viewContext(), 1); // unsaved objects go too
        {
            KestrineApp app(*container);
            QAction* deleteAll =
                menuAction(app.window(), QStringLiteral("Data"), QStringLiteral("Delete All"));
            QVERIFY(deleteAll);
            deleteAll->trigger();
            QVERIFY(container->viewContext()->registeredObjects().isEmpty());
            QVERIFY(!container->viewContext()->hasChanges());
        }
        container.reset();
        container = openStore(path);
        QVERIFY(container->viewContext()->registeredObjects().isEmpty());
    }

    void everyApplicationStateChangeSaves_data() {
        QTest::addColumn<Qt::ApplicationState>("state");
        QTest::addRow("inactive") << Qt::ApplicationInactive;
        QTest::addRow("active") << Qt::ApplicationActive;
    }

    void everyApplicationStateChangeSaves() {
        QFETCH(Qt::ApplicationState, state);
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        auto container = openStore(path);
        KestrineApp app(*container);
        DeeplinkCollection* collection = container->viewContext()->insertCollection();
        collection->setName(QStringLiteral("Edited while active"));
        QVERIFY(container->viewContext()->hasChanges());
        Q_EMIT qApp->applicationStateChanged(state);
        QVERIFY(!container->viewContext()->hasChanges());
    }

    void aFailedDeeplinkShowsTheErrorAlert() {
        TestEnvironment env;
        auto container = openStore(env.filePath("Kestrine.sqlite"));
        KestrineApp app(*container);
        app.show();
        QSignalSpy errors(&app, &KestrineApp::errorChanged);
        QVERIFY(errors.isValid());
        app.openUrl(QUrl(QStringLiteral("myapp://home")));
        QTRY_VERIFY(app.error().has_value());
        QCOMPARE(app.error()->value, QStringLiteral("No device selected or Xcode not configured"));

        QMessageBox* alert = app.window()->findChild<QMessageBox*>();
        QVERIFY(alert);
        QCOMPARE(alert->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(alert->informativeText(),
                 QStringLiteral("No device selected or Xcode not configured"));
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().front()->text(), QStringLiteral("Okay"));
        alert->buttons().front()->click();
        QTRY_VERIFY(!app.error().has_value());
    }

    void menusOfferTheShellCommands() {
        TestEnvironment env;
        auto container = openStore(env.filePath("Kestrine.sqlite"));
        KestrineApp app(*container);
        QMenuBar* bar = app.window()->menuBar();
        QMenu* help = nullptr;
        for (QAction* entry : bar->actions()) {
            if (entry->menu() && entry->menu()->actions().size() > 1 &&
                entry->menu()->actions().at(0)->text() == QStringLiteral("About Kestrine"))
                help = entry->menu();
        }
        QVERIFY(help);
        QCOMPARE(help->actions().at(1)->text(), QStringLiteral("Check for Updates\u2026"));
    }
};

QTEST_MAIN(tst_KestrineApp)
#include "tst_KestrineApp.moc"
