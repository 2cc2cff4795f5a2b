#include "TestEnvironment.h"

#include "platform/AppError.h"
#include "platform/Bookmark.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

class tst_Bookmark : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolves_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("resolves");
        QTest::addColumn<bool>("isStale");

        QTest::addRow("unchanged") << "none" << true << false;
        QTest::addRow("replaced by another directory") << "replace" << true << true;
        QTest::addRow("moved away") << "move" << false << false;
        QTest::addRow("path became a link elsewhere") << "link" << true << true;
    }

    void resolves() {
        QFETCH(QString, change);
        QFETCH(bool, resolves);
        QFETCH(bool, isStale);
        TestEnvironment env;
        QDir root(env.path());
        QVERIFY(root.mkpath(QStringLiteral("Apps/Xcode.app/Contents")));
        const QString bundle =
            QFileInfo(root.filePath(QStringLiteral("Apps/Xcode.app"))).canonicalFilePath();
        const QByteArray bookmark = Bookmark::create(QUrl::fromLocalFile(bundle));

        // The old directory is kept (renamed) where it is replaced, so its inode is not reused.
        if (change == QStringLiteral("replace")) {
            QVERIFY(root.rename(QStringLiteral("Apps/Xcode.app"), QStringLiteral("Apps/Old.app")));
            QVERIFY(root.mkpath(QStringLiteral("Apps/Xcode.app")));
        } else if (change == QStringLiteral("move")) {
            QVERIFY(root.rename(QStringLiteral("Apps/Xcode.app"), QStringLiteral("Xcode.app")));
        } else if (change == QStringLiteral("link")) {
            QVERIFY(
                root.rename(QStringLiteral("Apps/Xcode.app"), QStringLiteral("Apps/Xcode-15.app")));
            QVERIFY(QFile::link(root.filePath(QStringLiteral("Apps/Xcode-15.app")), bundle));
        }

        try {
            const Bookmark::Resolved resolved = Bookmark::resolve(bookmark);
            QVERIFY(resolves);
            QCOMPARE(resolved.isStale, isStale);
            QCOMPARE(resolved.url, QUrl::fromLocalFile(QFileInfo(bundle).canonicalFilePath()));
        } catch (const AppError& error) {
            QVERIFY2(!resolves, qPrintable(error.errorDescription()));
            QCOMPARE(error.domain(), QStringLiteral("Bookmark"));
            QCOMPARE(error.errorDescription(),
                     QStringLiteral(
                         "The file “Xcode.app” couldn’t be opened because there is no such file."));
        }
    }

    void refusesWhatCannotBeBookmarked_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("data");

        QTest::addRow("missing directory")
            << QUrl::fromLocalFile("/nonexistent/Xcode.app") << QByteArray();
        QTest::addRow("not a local file") << QUrl("https://example.com/Xcode.app") << QByteArray();
        QTest::addRow("garbage data") << QUrl() << QByteArray("\x01\x02garbage");
        QTest::addRow("relative path")
            << QUrl() << QByteArray(R"({"path":"Xcode.app","device":"1","inode":"2"})");
    }

    void refusesWhatCannotBeBookmarked() {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, data);
        TestEnvironment env;
        if (data.isEmpty())
            QVERIFY_THROWS_EXCEPTION(AppError, (void)Bookmark::create(url));
        else
            QVERIFY_THROWS_EXCEPTION(AppError, (void)Bookmark::resolve(data));
    }
};

QTEST_GUILESS_MAIN(tst_Bookmark)
#include "tst_Bookmark.moc"
