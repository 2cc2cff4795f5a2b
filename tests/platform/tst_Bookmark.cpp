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
        QTest::addColumn<QString>("resolved"); // "stale" or "fresh", or the error

        QTest::addRow("unchanged") << "none"
                                   << "fresh";
        QTest::addRow("replaced by another directory") << "replace"
                                                       << "stale";
        QTest::addRow("moved away")
            << "move"
            << "Bookmark: The file “Xcode.app” couldn’t be opened because there is no "
               "such file.";
        QTest::addRow("path became a link elsewhere") << "link"
                                                      << "stale";
    }

    void resolves() {
        QFETCH(QString, change);
        QFETCH(QString, resolved);
        TestEnvironment env;
        QDir root(env.path());
        QVERIFY(root.mkpath(QStringLiteral("Apps/Xcode.app/Contents")));
        const QString bundle = QFileInfo(root.filePath("Apps/Xcode.app")).canonicalFilePath();
        const QByteArray bookmark = Bookmark::create(QUrl::fromLocalFile(bundle));
        // The old directory is kept (renamed) where it is replaced, so its inode is not reused.
        if (change == u"replace")
            QVERIFY(root.rename("Apps/Xcode.app", "Apps/Old.app") && root.mkpath("Apps/Xcode.app"));
        else if (change == u"move")
            QVERIFY(root.rename("Apps/Xcode.app", "Xcode.app"));
        else if (change == u"link")
            QVERIFY(root.rename("Apps/Xcode.app", "Apps/Xcode-15.app") &&
                    QFile::link(root.filePath("Apps/Xcode-15.app"), bundle));

        try {
            const Bookmark::Resolved result = Bookmark::resolve(bookmark);
            QCOMPARE(QString(result.isStale ? "stale" : "fresh"), resolved);
            QCOMPARE(result.url, QUrl::fromLocalFile(QFileInfo(bundle).canonicalFilePath()));
        } catch (const AppError& error) {
            QCOMPARE(error.domain() + ": " + error.errorDescription(), resolved);
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
