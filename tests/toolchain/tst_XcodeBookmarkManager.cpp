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
using State = XcodeBookmarkManager::State;

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
        const State available{Kind::Available, canonicalURL(xcode.path())};
        {
            XcodeBookmarkManager manager;
            QVERIFY(manager.saveBookmark(xcode.url()));
            QCOMPARE(manager.state(), available);
            // A choice that cannot be saved leaves the one before.
            const QByteArray bookmark = manager.bookmarkData();
            QVERIFY_THROWS_EXCEPTION(AppError, manager.saveBookmark(QUrl::fromLocalFile(
                                                   env.filePath("missing/Xcode.app"))));
            QCOMPARE(manager.state(), available);
            QCOMPARE(manager.bookmarkData(), bookmark);
        }
        QCOMPARE(XcodeBookmarkManager().state(), available);
    }

    void staleBookmarkIsRemadeFromStoredURL() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QByteArray oldBookmark = [&] {
            XcodeBookmarkManager manager;
            manager.saveBookmark(xcode.url());
            return manager.bookmarkData();
        }();
        // Xcode reinstalled at the same path: another directory (the old one kept, so that its
        // inode is not handed to the new one).
        QDir parent = QFileInfo(xcode.path()).dir();
        QVERIFY(parent.rename(QStringLiteral("Xcode.app"), QStringLiteral("Xcode-old.app")));
        QVERIFY(parent.mkpath(QStringLiteral("Xcode.app/Contents")));

        XcodeBookmarkManager manager;
        QCOMPARE(manager.state(), (State{Kind::Available, canonicalURL(xcode.path())}));
        QVERIFY(!manager.bookmarkData().isEmpty());
        QVERIFY(manager.bookmarkData() != oldBookmark);
        QCOMPARE(env.messages("XcodeBookmarkManager"),
                 QStringList{"Xcode bookmark is stale, making a new one from " +
                             canonicalURL(xcode.path()).toString()});
        // The fresh bookmark is good as it is at the launch after.
        env.clearLog();
        XcodeBookmarkManager nextLaunch;
        QCOMPARE(nextLaunch.state().kind, Kind::Available);
        QCOMPARE(nextLaunch.bookmarkData(), manager.bookmarkData());
        QVERIFY(env.messages("XcodeBookmarkManager").isEmpty());
    }

    void unresolvableBookmarkEndsUnavailable_data() {
        QTest::addColumn<bool>("damaged"); // the bookmark data, else Xcode deleted
        QTest::addColumn<QString>("logged");
        QTest::addRow("Xcode deleted") << false
                                       << "The file “Xcode.app” couldn’t be opened because there "
                                          "is no such file.";
        QTest::addRow("bookmark data damaged") << true
                                               << "The bookmark data isn’t in the correct "
                                                  "format.";
    }

    void unresolvableBookmarkEndsUnavailable() {
        QFETCH(bool, damaged);
        QFETCH(QString, logged);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        XcodeBookmarkManager(nullptr).saveBookmark(xcode.url());
        const QString key = QStringLiteral("XcodeBookmarkManager.bookmarkData");
        const QByteArray storedBookmark = AppSettings::standard()->value(key).toByteArray();
        if (damaged)
            AppSettings::standard()->setValue(key, QByteArray("\x00garbage", 8));
        else
            QVERIFY(QDir(xcode.path()).removeRecursively());
        env.clearLog();

        XcodeBookmarkManager manager;
        QCOMPARE(manager.state().kind, Kind::Unavailable);
        QCOMPARE(env.messages("XcodeBookmarkManager"),
                 QStringList{"Failed to restore the Xcode location: " + logged});
        // Kept: a bundle on a volume that comes back is found at the next launch.
        if (!damaged)
            QCOMPARE(manager.bookmarkData(), storedBookmark);
        // An explicit restore reports the failure too, and still ends unavailable.
        QVERIFY_THROWS_EXCEPTION(AppError, manager.loadBookmark(false));
        QCOMPARE(manager.state().kind, Kind::Unavailable);
    }
};

QTEST_GUILESS_MAIN(tst_XcodeBookmarkManager)
#include "tst_XcodeBookmarkManager.moc"
