#include "StoreFile.h"
#include "TestEnvironment.h"

#include "store/FiringHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

FiringRecord firing(const QString& title, FiringOutcome outcome = {}) {
    return FiringRecord{.time = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123),
                        .title = title,
                        .url = QStringLiteral("shop://item/42?ref=a%20b"),
                        .destination = QStringLiteral("Pixel 8"),
                        .outcome = std::move(outcome)};
}

} // namespace

class tst_FiringHistory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every column comes back after a restart as it went in, unknown ones still unknown.
    void keepsEveryColumnAcrossRestarts_data() {
        QTest::addColumn<FiringRecord>("record");
        using R = FiringOutcome::Result;
        QTest::addRow("opened, everything known")
            << firing(QStringLiteral("Product ✨"),
                      {.result = R::Opened,
                       .handler = QStringLiteral("com.example.shop/.ProductActivity"),
                       .handlerName = QStringLiteral("Shop"),
                       .launch = FiringOutcome::Launch::Cold,
                       .totalTimeMs = 512,
                       .processId = 4242,
                       .screenshot = QStringLiteral("/tmp/shots/1-Product.png"),
                       .notes = {QStringLiteral("Stopped com.example.shop first"),
                                 QStringLiteral("two\nlines, \"quoted\"")}});
        QTest::addRow("no-handler, nothing known")
            << firing(QString(), FiringOutcome{.result = R::NoHandler,
                                               .message = QStringLiteral("unable to resolve")});
        QTest::addRow("browser, zero time")
            << firing(QStringLiteral("Web"), {.result = R::Browser,
                                              .handler = QStringLiteral("com.android.chrome"),
                                              .launch = FiringOutcome::Launch::Warm,
                                              .totalTimeMs = 0});
        QTest::addRow("failed") << firing(QStringLiteral("x"), FiringOutcome::failed("adb: gone"));
    }
    void keepsEveryColumnAcrossRestarts() {
        QFETCH(FiringRecord, record);
        TestEnvironment env;
        StoreFile store(env);
        QSignalSpy recorded(store.container().history(), &FiringHistory::recorded);
        QVERIFY(recorded.isValid());
        QVERIFY(store.container().history()->record(record));
        QVERIFY(record.id > 0);
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(recorded.at(0).at(0).value<FiringRecord>(), record);
        QVERIFY(store.reopen());
        QCOMPARE(store.container().history()->latest(), QList<FiringRecord>{record});
    }

    // The newest thousand stay, newest first; the oldest go as new ones come, with their
    // screenshots when those are the window's own.
    void keepsTheLastThousand() {
        TestEnvironment env;
        StoreFile store(env);
        FiringHistory* history = store.container().history();
        const QString own = env.filePath(QStringLiteral("Screenshots/1-a.png"));
        const QString users = env.filePath(QStringLiteral("shots/1-a.png"));
        const QString kept0 = env.filePath(QStringLiteral("Screenshots/2-a.png"));
        for (const QString& path : {own, users, kept0}) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        history->setScreenshotDirectory(env.filePath(QStringLiteral("Screenshots")));
        const QStringList screenshots{own, users, {}, kept0};
        for (int i = 0; i < FiringHistory::capacity + 3; ++i) {
            FiringRecord record = firing(QString::number(i), {.screenshot = screenshots.value(i)});
            QVERIFY(history->record(record));
        }
        QVERIFY(!QFile::exists(own));
        QVERIFY(QFile::exists(users));
        QVERIFY(QFile::exists(kept0));
        const QList<FiringRecord> kept = history->latest();
        QCOMPARE(kept.size(), FiringHistory::capacity);
        QCOMPARE(kept.front().title, QString::number(FiringHistory::capacity + 2));
        QCOMPARE(kept.back().title, QStringLiteral("3"));
        QCOMPARE(history->latest(2).back().title, QString::number(FiringHistory::capacity + 1));
    }

    // A file that refuses the write keeps the history as it was, says why, and tells no one.
    void aRefusedWriteChangesNothing() {
        TestEnvironment env;
        StoreFile store(env);
        FiringHistory* history = store.container().history();
        FiringRecord first = firing(QStringLiteral("first"));
        QVERIFY(history->record(first));
        QSignalSpy recorded(history, &FiringHistory::recorded);
        QVERIFY(store.refuseWrites(true, {QStringLiteral("DELETE")}));
        // The pruning fails once the history is full: the insert before it goes too.
        for (int i = 1; i < FiringHistory::capacity; ++i) {
            FiringRecord record = firing(QString::number(i));
            QVERIFY(history->record(record));
        }
        FiringRecord refused = firing(QStringLiteral("refused"));
        QString error;
        QVERIFY(!history->record(refused, &error));
        QVERIFY2(error.contains(u"disk full"), qPrintable(error));
        QCOMPARE(refused.id, 0);
        QCOMPARE(recorded.size(), FiringHistory::capacity - 1);
        QCOMPARE(history->latest().size(), FiringHistory::capacity);
        QCOMPARE(history->latest().back(), first);
        QVERIFY(store.refuseWrites(false, {QStringLiteral("DELETE")}));
        QVERIFY(history->record(refused));
        QCOMPARE(history->latest(1), QList<FiringRecord>{refused});
    }
};

QTEST_GUILESS_MAIN(tst_FiringHistory)
#include "tst_FiringHistory.moc"
