#include "TestEnvironment.h"

#include "targetapps/AppIconCache.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTest>

#include <QCoro/QCoroTask>

namespace {

QImage sample(int shade = 0) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(QColor(shade % 256, 80, 160));
    return image;
}

void store(AppIconCache& cache, const QString& key, int shade = 0) {
    QCoro::waitFor(cache.store(sample(shade), key));
}

QStringList evictions(const TestEnvironment& env) {
    return env.messages(QStringLiteral("AppIconCache")).filter(QStringLiteral("Evicted"));
}

} // namespace

class tst_AppIconCache : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readingOrStoringMakesAKeyMostRecentlyUsedAndEvictionGoesToDisk() {
        TestEnvironment env;
        AppIconCache cache;
        store(cache, QStringLiteral("A"), 1);
        store(cache, QStringLiteral("B"));
        store(cache, QStringLiteral("A"), 2); // stored again: one entry, the later image wins
        QCOMPARE(QCoro::waitFor(cache.accessOrder()), (QStringList{"B", "A"}));
        QCOMPARE(QCoro::waitFor(cache.icon(QStringLiteral("A"))), sample(2));
        QCOMPARE(QCoro::waitFor(AppIconCache().icon(QStringLiteral("A"))),
                 sample(2)); // on disk too

        QVERIFY(!QCoro::waitFor(cache.icon(QStringLiteral("B"))).isNull());
        const QStringList log = env.messages(QStringLiteral("AppIconCache"));
        QVERIFY(log.contains(QStringLiteral("Retrieved icon for B from memory cache")));
        QVERIFY(log.contains(QStringLiteral("Cached icon for B to disk"))); // flushed, no error
        for (int i = 0; i < 49; ++i)
            store(cache, QStringLiteral("key%1").arg(i));

        QCOMPARE(evictions(env), QStringList{QStringLiteral("Evicted A from memory cache (LRU)")});
        QCOMPARE(QCoro::waitFor(cache.accessOrder()).first(), QStringLiteral("B"));

        // The evicted icon comes back from disk, and pushes out the next least recently used.
        env.clearLog();
        QCOMPARE(QCoro::waitFor(cache.icon(QStringLiteral("A"))), sample(2));
        QCOMPARE(env.messages(QStringLiteral("AppIconCache")),
                 (QStringList{QStringLiteral("Evicted B from memory cache (LRU)"),
                              QStringLiteral("Retrieved icon for A from disk cache")}));
        QCOMPARE(QCoro::waitFor(cache.accessOrder()).last(), QStringLiteral("A"));
        QVERIFY(QCoro::waitFor(cache.icon(QStringLiteral("never stored"))).isNull());
    }

    void unreadableFilesGiveNoIconSilently_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("asDirectory");
        QTest::addRow("text") << QByteArray("not an image") << false;
        QTest::addRow("directory") << QByteArray() << true;
    }
    void unreadableFilesGiveNoIconSilently() {
        QFETCH(QByteArray, content);
        QFETCH(bool, asDirectory);
        TestEnvironment env;
        AppIconCache cache;
        const QString path = cache.directory() + QStringLiteral("/com.example.broken.png");
        if (asDirectory) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QVERIFY(QCoro::waitFor(cache.icon(QStringLiteral("com.example.broken"))).isNull());
        QCOMPARE(env.messages(QStringLiteral("AppIconCache")), QStringList());
    }

    void keysNeverNameAFileOutsideTheDirectory() {
        TestEnvironment env;
        AppIconCache cache;
        const QStringList keys{QStringLiteral("../../escape"), QStringLiteral(".."),
                               QStringLiteral("/escape"),      QStringLiteral(""),
                               QString::fromUtf8("..\0/x", 5), QStringLiteral("..\\..\\escape")};
        for (const QString& key : keys)
            store(cache, key);

        QDirIterator it(env.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.suffix() == QLatin1String("png"))
                QCOMPARE(info.absolutePath(), QFileInfo(cache.directory()).absoluteFilePath());
        }
        // Keys without a file still work from memory; their write failure is logged.
        for (const QString& key : keys)
            QVERIFY(!QCoro::waitFor(cache.icon(key)).isNull());
        QCOMPARE(env.messages(QStringLiteral("AppIconCache"))
                     .filter(QStringLiteral("cannot name a cache file"))
                     .size(),
                 2);
    }

    void failedWriteKeepsTheIconInMemory() {
        TestEnvironment env;
        AppIconCache cache;
        QVERIFY(QDir().mkpath(cache.directory() + QStringLiteral("/blocked.png")));
        store(cache, QStringLiteral("blocked"));
        const QStringList lines = env.messages(QStringLiteral("AppIconCache"));
        QCOMPARE(lines.size(), 1);
        QVERIFY(
            lines.first().startsWith(QStringLiteral("Failed to write icon cache for blocked: ")));
        QVERIFY(!QCoro::waitFor(cache.icon(QStringLiteral("blocked"))).isNull());

        env.clearLog();
        QCoro::waitFor(cache.store(QImage(), QStringLiteral("null")));
        QCOMPARE(env.messages(QStringLiteral("AppIconCache")),
                 QStringList{QStringLiteral("Failed to convert image to PNG for null")});
    }

    void concurrentCallsAreSerialised() {
        TestEnvironment env;
        AppIconCache cache;
        // Started together, as the device phase of several icon passes would; none awaited yet.
        std::vector<QCoro::Task<QImage>> stores;
        std::vector<QCoro::Task<QImage>> reads;
        for (int i = 0; i < 120; ++i) {
            stores.push_back(cache.store(sample(i), QStringLiteral("key%1").arg(i % 70)));
            reads.push_back(cache.icon(QStringLiteral("key%1").arg((i * 7) % 70)));
        }
        for (auto& task : stores)
            QCoro::waitFor(std::move(task));
        for (auto& task : reads)
            QCoro::waitFor(std::move(task));
        const QStringList order = QCoro::waitFor(cache.accessOrder());
        QCOMPARE(order.size(), AppIconCache::maxMemoryCacheSize);
        QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), order.size());
        // Calls run in the order made: the last store of key49 was i = 119.
        QCOMPARE(QCoro::waitFor(cache.icon(QStringLiteral("key49"))), sample(119));
    }
};

QTEST_GUILESS_MAIN(tst_AppIconCache)
#include "tst_AppIconCache.moc"
