#include "TestEnvironment.h"

#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

// A writer process is killed with SIGKILL at random moments, again and again. After every
// kill the store must open, and every save must be there entirely or not at all.
// KESTRINE_DURABILITY_ROUNDS sets the number of kills (default 12; use thousands on demand).
class tst_StoreDurability : public QObject {
    Q_OBJECT

private:
    // Returns the number of complete saves found, or -1 after reporting a broken store.
    static int verify(const QString& path, int acknowledged) {
        PersistentContainer container(path);
        if (const auto error = container.loadPersistentStores()) {
            qWarning() << "store does not open:" << error->details;
            return -1;
        }
        const QList<DeeplinkCollection*> collections = container.viewContext()->collections();
        QSet<int> numbers;
        for (const DeeplinkCollection* collection : collections) {
            bool ok = false;
            const int number = collection->name().toInt(&ok);
            if (!ok || collection->deeplinksCount() != number % 7 + 1) {
                qWarning() << "partial save of" << collection->name();
                return -1;
            }
            numbers.insert(number);
        }
        const int count = int(numbers.size());
        for (int n = 0; n < count; ++n) {
            if (!numbers.contains(n)) {
                qWarning() << "save" << n << "is missing while later ones exist";
                return -1;
            }
            const bool renamed = std::any_of(
                collections.begin(), collections.end(), [n](const DeeplinkCollection* c) {
                    return c->name() == QString::number(n) && c->emoji() == QStringLiteral("✅");
                });
            if (n + 1 < count && !renamed) {
                qWarning() << "the rename saved together with" << n + 1 << "is missing";
                return -1;
            }
        }
        if (count <= acknowledged) {
            qWarning() << "acknowledged save" << acknowledged << "was lost";
            return -1;
        }
        return count;
    }

private Q_SLOTS:
    void everySaveSurvivesAKillWholeOrNotAtAll() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        const int rounds = qEnvironmentVariableIsSet("KESTRINE_DURABILITY_ROUNDS")
                               ? qEnvironmentVariableIntValue("KESTRINE_DURABILITY_ROUNDS")
                               : 12;
        int saves = 0;
        for (int round = 0; round < rounds; ++round) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::SeparateChannels);
            writer.start(QStringLiteral(KESTRINE_TEST_BINARY_DIR "/helper_store_writer"), {path});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
            // Let it get going, then kill it at a random moment.
            QVERIFY(writer.waitForReadyRead(10000));
            QTest::qWait(int(QRandomGenerator::global()->bounded(1, 60)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(10000));
            int acknowledged = -1;
            for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
                if (!line.isEmpty())
                    acknowledged = line.toInt();
            }
            const int found = verify(path, acknowledged);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("round %1").arg(round)));
            QVERIFY(found >= saves);
            saves = found;
        }
        qInfo("%d kills, %d saves checked", rounds, saves);
    }
};

QTEST_GUILESS_MAIN(tst_StoreDurability)
#include "tst_StoreDurability.moc"
