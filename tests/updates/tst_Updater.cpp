#include "FeedServer.h"
#include "TestEnvironment.h"
#include "platform/AppSettings.h"
#include "updates/Updater.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

using Outcome = UpdateCheckResult::Outcome;
using Failure = UpdateCheckResult::Failure;

using FeedXml::feed;
using FeedXml::item;

void pointFeedAt(const QUrl& url) {
    AppSettings::standard()->setValue(QLatin1String(Updater::feedURLKey), url.toString());
}

// Runs one user-initiated check to its end and hands back what it found.
UpdateCheckResult check(Updater& updater) {
    QSignalSpy finished(&updater, &Updater::checkFinished);
    if (!updater.checkForUpdates()) {
        qWarning("the check did not start");
        return {};
    }
    if (finished.isEmpty() && !finished.wait(20000)) {
        qWarning("the check did not finish");
        return {};
    }
    return finished.first().first().value<UpdateCheckResult>();
}

} // namespace

class tst_Updater : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qRegisterMetaType<UpdateCheckResult>();
        // A proxy from the environment must never see the test's requests.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void reportsOutcome_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QString>("offered");

        const auto ok = [](const QByteArray& body) { return FeedServer::httpResponse(body); };
        QTest::addRow("newer version")
            << ok(feed(item("1.1"))) << Outcome::UpdateAvailable << Failure::None << "1.1";
        QTest::addRow("same version")
            << ok(feed(item("1.0.0"))) << Outcome::UpToDate << Failure::None << "1.0.0";
        QTest::addRow("malformed feed")
            << ok("<rss><channel><item>") << Outcome::Failed << Failure::MalformedFeed << "";
        QTest::addRow("feed too large to hold") << ok(QByteArray(Updater::maximumFeedSize + 1, ' '))
                                                << Outcome::Failed << Failure::MalformedFeed << "";
        QTest::addRow("404") << FeedServer::httpResponse("<h1>Not Found</h1>", 404, "Not Found",
                                                         "text/html")
                             << Outcome::Failed << Failure::HttpError << "";
        QTest::addRow("garbage instead of HTTP")
            << QByteArray("SSH-2.0-OpenSSH_9.2p1\r\n\x00\x01\x02\xff garbage\r\n\r\n", 40)
            << Outcome::Failed << Failure::BadResponse << "";
        // Not answers but stand-ins: nobody listens, or the server never answers.
        QTest::addRow("connection refused")
            << QByteArray("REFUSE") << Outcome::Failed << Failure::Unreachable << "";
        QTest::addRow("stalled server")
            << QByteArray("STALL") << Outcome::Failed << Failure::Unreachable << "";
        QTest::addRow("feed address not on the web")
            << QByteArray("FTP") << Outcome::Failed << Failure::NotConfigured << "";
    }

    void reportsOutcome() {
        QFETCH(QByteArray, response);
        QFETCH(Outcome, outcome);
        QFETCH(Failure, failure);
        QFETCH(QString, offered);

        TestEnvironment env;
        FeedServer server;
        QVERIFY(server.isListening());
        server.setResponse(response);
        server.setHolding(response == "STALL");
        const QUrl url =
            response == "REFUSE"
                ? QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(FeedServer::closedPort()))
            : response == "FTP" ? QUrl(QStringLiteral("ftp://127.0.0.1/appcast.xml"))
                                : server.url(QStringLiteral("/beta/appcast.xml"));

        Updater updater;
        QCOMPARE(updater.feedURL(), QUrl(QStringLiteral(KESTRINE_UPDATE_FEED_URL)));
        pointFeedAt(url); // read again at each check
        if (response == "STALL")
            updater.setTransferTimeout(std::chrono::milliseconds(300));
        updater.startUpdater();
        updater.setCurrentVersion(QStringLiteral("1.0"));
        const UpdateCheckResult result = check(updater);

        // Qt sends a GET again when the connection broke before an answer; otherwise one request.
        if (response.startsWith("HTTP/"))
            QCOMPARE(server.requests(), QList<QByteArray>{"GET /beta/appcast.xml HTTP/1.1"});
        else if (response != "REFUSE")
            QCOMPARE(server.requestCount() > 0, response != "FTP");
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.failure, failure);
        QCOMPARE(result.currentVersion,
                 outcome == Outcome::Failed ? QString() : QStringLiteral("1.0"));
        QCOMPARE(result.item.displayVersion(), offered);
        if (failure == Failure::HttpError)
            QCOMPARE(result.httpStatus, 404);
        QVERIFY(updater.canCheckForUpdates());
        const QStringList lines = env.messages(QStringLiteral("Updater"));
        if (failure != Failure::NotConfigured)
            QCOMPARE(lines.first(), "Checking for updates at " + url.toString());
        if (outcome == Outcome::Failed)
            QVERIFY(lines.last().startsWith(QStringLiteral("Update check failed: ")));
    }

    void refusesSecondCheckWhileOneRuns_data() {
        QTest::addColumn<bool>("destroyedFirst");
        QTest::addRow("answer arrives") << false;
        // The answer then arrives where nobody waits for it any more.
        QTest::addRow("updater destroyed before the answer") << true;
    }

    void refusesSecondCheckWhileOneRuns() {
        QFETCH(bool, destroyedFirst);
        TestEnvironment env;
        FeedServer server;
        server.setFeed(feed(item("2.0")));
        server.setHolding(true);
        pointFeedAt(server.url());

        auto updater = std::make_unique<Updater>();
        QVERIFY(!updater->checkForUpdates()); // not started yet
        updater->startUpdater();

        QSignalSpy finished(updater.get(), &Updater::checkFinished);
        QVERIFY(updater->checkForUpdates());
        QTRY_COMPARE(server.requestCount(), 1);
        QVERIFY(!updater->checkForUpdates());
        QVERIFY(!updater->checkForUpdatesInBackground());

        if (destroyedFirst)
            updater.reset();
        server.release();
        if (destroyedFirst) {
            QCoreApplication::processEvents();
            return;
        }
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(updater->canCheckForUpdates());
        QCOMPARE(server.requestCount(), 1);
        QCOMPARE(finished.first().first().value<UpdateCheckResult>().outcome,
                 Outcome::UpdateAvailable);
    }

    void feedFileMustBeRegular_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("detail");

        const QString notRegular = QStringLiteral("is not a regular file");
        QTest::addRow("FIFO") << "fifo" << notRegular;
        QTest::addRow("device") << "/dev/null" << notRegular;
        QTest::addRow("directory") << "directory" << notRegular;
        QTest::addRow("regular file too large")
            << "large"
            << QStringLiteral("The feed is larger than %1 bytes").arg(Updater::maximumFeedSize);
    }

    void feedFileMustBeRegular() {
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        TestEnvironment env;
        const QString name = QStringLiteral("appcast.xml");
        const QString path =
            kind == u"fifo"        ? env.makeFifo(name)
            : kind == u"directory" ? env.path()
            : kind == u"large" ? env.writeFile(name, QByteArray(Updater::maximumFeedSize + 1, ' '))
                               : kind;
        pointFeedAt(QUrl::fromLocalFile(path));

        // Opening a FIFO blocks the thread: the watchdog lets a check stuck there end and fail.
        std::atomic_bool done = false;
        std::thread watchdog([&] {
            for (int waited = 0; waited < 3000 && !done; waited += 50)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!done && kind == u"fifo")
                TestEnvironment::releaseFifoReader(path);
        });
        Updater updater;
        updater.startUpdater();
        const UpdateCheckResult result = check(updater);
        done = true;
        watchdog.join();

        QCOMPARE(result.failure, Failure::MalformedFeed);
        QVERIFY2(result.detail.endsWith(detail), qPrintable(result.detail));
    }
};

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_Updater.moc"
