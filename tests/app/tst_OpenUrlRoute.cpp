#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "store/PersistentContainer.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QMainWindow>
#include <QSignalSpy>
#include <QtTest>

using Tool = FakeXcode::Tool;

// With an Xcode remembered, the shell fetches the destinations at start-up, and a deeplink
// handed to its open-URL route reaches the simulator tool; a failure comes back as the alert.
class tst_OpenUrlRoute : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deeplinkReachesSimulatorAndFailureShowsAlert();
};

void tst_OpenUrlRoute::deeplinkReachesSimulatorAndFailureShowsAlert() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(
        Tool::Simctl,
        {.standardOutput = R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [
                           {"udid": "5A1B2C3D-0000-4000-8000-000000000001", "name": "iPhone 15",
                            "state": "Booted", "isAvailable": true}]}})"},
        QStringLiteral("list devices"));
    xcode.setScenario(
        Tool::Simctl,
        {.standardError = "Simulator device failed to open shop://broken.\n", .exitStatus = 1},
        QStringLiteral("shop://broken"));
    XcodeBookmarkManager().saveBookmark(xcode.url());
    PersistentContainer container(env.filePath(QStringLiteral("Kestrine.sqlite")));
    QVERIFY(!container.loadPersistentStores());

    KestrineApp app(container);
    QSignalSpy ready(&app, &KestrineApp::mainContentReady);
    QVERIFY(ready.isValid());
    app.deeplinkExecuter().setInterpreterPath(xcode.toolPath(Tool::Osascript));
    app.show();
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 20000);
    QCOMPARE(app.deviceManager().xcodeURL(), xcode.url());
    QVERIFY(app.deviceManager().selectedDevice());

    app.openUrl(QUrl(QStringLiteral("shop://item/42?ref=kestrine")));
    QTRY_COMPARE_WITH_TIMEOUT(xcode.invocations(Tool::Osascript).size(), 2, 20000);
    const auto opened = xcode.invocations(Tool::Simctl);
    QCOMPARE(opened.last().arguments,
             (QStringList{"openurl", "5A1B2C3D-0000-4000-8000-000000000001",
                          "shop://item/42?ref=kestrine"}));
    QVERIFY(!app.error());

    app.openUrl(QUrl(QStringLiteral("shop://broken")));
    QTRY_VERIFY_WITH_TIMEOUT(app.error().has_value(), 20000);
    QCOMPARE(app.error()->value, u"Simulator device failed to open shop://broken.\n");
}

QTEST_MAIN(tst_OpenUrlRoute)
#include "tst_OpenUrlRoute.moc"
