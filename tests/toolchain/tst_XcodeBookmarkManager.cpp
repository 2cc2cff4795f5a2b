#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "platform/AppError.h"
#include "platform/AppSettings.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

using Kind = XcodeBookmarkManager::StateKind;

const QString bookmarkDataKey = QStringLiteral("XcodeBookmarkManager.bookmarkData");

QUrl canonicalURL(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath());
}

} // namespace

class tst_XcodeBookmarkManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void savedChoiceIsRestoredAtNextLaunch() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QUrl expected = canonicalURL(xcode.path());
        {
            XcodeBookmarkManager manager;
            QVERIFY(manager.saveBookmark(xcode.url()));
            QCOMPARE(manager.state(), (XcodeBookmarkManager::State{Kind::Available, expected}));
            // A choice that cannot be saved leaves the one before.
            const QByteArray bookmark = manager.bookmarkData();
            QVERIFY_THROWS_EXCEPTION(AppError, manager.saveBookmark(QUrl::fromLocalFile(
                                                   env.filePath("missing/Xcode.app"))));
            QCOMPARE(manager.state(), (XcodeBookmarkManager::State{Kind::Available, expected}));
            QCOMPARE(manager.bookmarkData(), bookmark);
        }

        XcodeBookmarkManager nextLaunch;
        QCOMPARE(nextLaunch.state(), (XcodeBookmarkManager::State{Kind::Available, expected}));
    }

    void staleBookmarkIsRemadeFromStoredURL() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        QByteArray oldBookmark;
        {
            XcodeBookmarkManager manager;
            manager.saveBookmark(xcode.url());
            oldBookmark = manager.bookmarkData();
        }
        // Xcode reinstalled at the same path: another directory (the old one kept, so that its
        // inode is not handed to the new one).
        QDir parent = QFileInfo(xcode.path()).dir();
        QVERIFY(parent.rename(QStringLiteral("Xcode.app"), QStringLiteral("Xcode-old.app")));
        QVERIFY(parent.mkpath(QStringLiteral("Xcode.app/Contents")));

        XcodeBookmarkManager manager;

        QCOMPARE(manager.state(),
                 (XcodeBookmarkManager::State{Kind::Available, canonicalURL(xcode.path())}));
        QVERIFY(!manager.bookmarkData().isEmpty());
        QVERIFY(manager.bookmarkData() != oldBookmark);
        QCOMPARE(env.messages(QStringLiteral("XcodeBookmarkManager")),
                 QStringList{"Xcode bookmark is stale, making a new one from " +
                             canonicalURL(xcode.path()).toString()});

        // The fresh bookmark is good as it is at the launch after.
        env.clearLog();
        XcodeBookmarkManager nextLaunch;
        QCOMPARE(nextLaunch.state().kind, Kind::Available);
        QCOMPARE(nextLaunch.bookmarkData(), manager.bookmarkData());
        QVERIFY(env.messages(QStringLiteral("XcodeBookmarkManager")).isEmpty());
    }

    void unresolvableBookmarkEndsUnavailable_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("logged");

        const QString gone = QStringLiteral(
            "Failed to restore the Xcode location: The file “Xcode.app” couldn’t be opened because "
            "there is no such file.");
        QTest::addRow("Xcode deleted") << "delete" << gone;
        QTest::addRow("bookmark data damaged") << "damage"
                                               << "Failed to restore the Xcode location: The "
                                                  "bookmark data isn’t in the correct format.";
    }

    void unresolvableBookmarkEndsUnavailable() {
        QFETCH(QString, change);
        QFETCH(QString, logged);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        XcodeBookmarkManager(nullptr).saveBookmark(xcode.url());
        const QByteArray storedBookmark =
            AppSettings::standard()->value(bookmarkDataKey).toByteArray();

        if (change == QStringLiteral("delete"))
            QVERIFY(QDir(xcode.path()).removeRecursively());
        else
            AppSettings::standard()->setValue(bookmarkDataKey, QByteArray("\x00garbage", 8));
        env.clearLog();

        XcodeBookmarkManager manager;

        QCOMPARE(manager.state().kind, Kind::Unavailable);
        QCOMPARE(env.messages(QStringLiteral("XcodeBookmarkManager")), QStringList{logged});
        // Kept: a bundle on a volume that comes back is found at the next launch.
        if (change != QStringLiteral("damage"))
            QCOMPARE(manager.bookmarkData(), storedBookmark);

        // An explicit restore reports the failure too, and still ends unavailable.
        QVERIFY_THROWS_EXCEPTION(AppError, manager.loadBookmark(false));
        QCOMPARE(manager.state().kind, Kind::Unavailable);
    }
};

QTEST_GUILESS_MAIN(tst_XcodeBookmarkManager)
#include "tst_XcodeBookmarkManager.moc"
