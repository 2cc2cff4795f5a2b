#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

// The real executable started on a store file it cannot open.
class tst_StoreStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusesAGarbageStoreAndLeavesItAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("text") << QByteArray("definitely not a database\n").repeated(40);
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::addRow("truncated sqlite header") << header + QByteArray(200, '\x7f');
    }

    void refusesAGarbageStoreAndLeavesItAlone() {
        QFETCH(QByteArray, content);
        TestEnvironment env;
        const QString dataHome = env.filePath("data");
        const QString storeDirectory = dataHome + QStringLiteral("/Kestrine/Kestrine");
        QVERIFY(QDir().mkpath(storeDirectory));
        const QString storePath = storeDirectory + QStringLiteral("/Kestrine.sqlite");
        {
            QFile file(storePath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }

        QProcess kestrine;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.filePath("config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), env.filePath("cache"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("KESTRINE_LOG"), QStringLiteral("stderr"));
        kestrine.setProcessEnvironment(environment);
        kestrine.start(QStringLiteral(KESTRINE_EXECUTABLE), {});
        QVERIFY(kestrine.waitForFinished(30000));
        QCOMPARE(kestrine.exitStatus(), QProcess::NormalExit);
        QVERIFY(kestrine.exitCode() != 0);
        const QString errors = QString::fromUtf8(kestrine.readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("Unresolved error ")), qPrintable(errors));
        QVERIFY(errors.contains(QStringLiteral("Kestrine.sqlite")));

        QFile after(storePath);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), content);
        QVERIFY(!QFile::exists(storePath + QStringLiteral("-wal")));
    }
};

QTEST_GUILESS_MAIN(tst_StoreStartup)
#include "tst_StoreStartup.moc"
