#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "platform/AppSettings.h"
#include "store/PersistentContainer.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "toolchain/XcodeView.h"

#include <QDir>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

// The shell shows the selection screen until an Xcode is chosen, keeps the choice, and goes
// straight to the main content at the next launch.
class tst_XcodeSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { XcodeView::setDefaultFileChooser({}); }
    void chosenXcodeIsKeptAcrossLaunches();
    void vanishedXcodeShowsSelectionAgain();
};

namespace {

std::unique_ptr<PersistentContainer> openStore(const TestEnvironment& env) {
    auto container = std::make_unique<PersistentContainer>(env.filePath("Kestrine.sqlite"));
    return container->loadPersistentStores() ? nullptr : std::move(container);
}

} // namespace

void tst_XcodeSelection::chosenXcodeIsKeptAcrossLaunches() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    auto container = openStore(env);
    QVERIFY(container);
    XcodeView::setDefaultFileChooser([&xcode](QWidget*, XcodeView::ChooserReply reply) {
        reply(XcodeViewModel::FileImportResult(QList<QUrl>{xcode.url()}));
    });
    {
        KestrineApp app(*container);
        auto* screen = qobject_cast<XcodeView*>(app.window()->centralWidget());
        QVERIFY(screen);

        screen->selectButton()->click();

        QTRY_COMPARE(app.manager()->state().kind, XcodeBookmarkManager::StateKind::Available);
        QTRY_VERIFY(!qobject_cast<XcodeView*>(app.window()->centralWidget()));
        QVERIFY(app.window()->centralWidget());
        const auto settings = AppSettings::standard();
        QVERIFY(settings->contains(QStringLiteral("XcodeBookmarkManager.xcodeURL")));
        QVERIFY(settings->contains(QStringLiteral("XcodeBookmarkManager.bookmarkData")));
    }

    KestrineApp nextLaunch(*container);
    QCOMPARE(nextLaunch.manager()->state().kind, XcodeBookmarkManager::StateKind::Available);
    QVERIFY(!qobject_cast<XcodeView*>(nextLaunch.window()->centralWidget()));
}

void tst_XcodeSelection::vanishedXcodeShowsSelectionAgain() {
    TestEnvironment env;
    auto container = openStore(env);
    QVERIFY(container);
    {
        FakeXcode xcode(env.path());
        XcodeBookmarkManager().saveBookmark(xcode.url());
    } // the stand-in and its directory are gone now

    KestrineApp app(*container);

    QCOMPARE(app.manager()->state().kind, XcodeBookmarkManager::StateKind::Unavailable);
    QVERIFY(qobject_cast<XcodeView*>(app.window()->centralWidget()));
}

QTEST_MAIN(tst_XcodeSelection)
#include "tst_XcodeSelection.moc"
