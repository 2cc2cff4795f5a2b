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

void pointFeedAt(const QUrl& url) {
    AppSettings::standard()->setValue(QLatin1String(Updater::feedURLKey), url.toString());
}

// Runs one user-initiated check to its end and hands back what it found.
UpdateCheckResult check(Updater& updater) {
    QSignalSpy finished(&updater, &Updater::checkFinished);
    if (!updater.checkForUpdates() || (finished.isEmpty() && !finished.wait(20000))) {
        qWarning("the check did not start or did not finish");
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
        QTest::addColumn<QString>("text"); // the version offered, or the end of the failure

        const auto ok = [](const QByteArray& body) { return FeedServer::httpResponse(body); };
        const auto failed = [](const char* name, const QByteArray& response, Failure failure,
                               const QString& detail = {}) {
            QTest::addRow("%s", name) << response << Outcome::Failed << failure << detail;
        };
        QTest::addRow("newer version")
            << ok(FeedServer::feed("1.1")) << Outcome::UpdateAvailable << Failure::None << "1.1";
        QTest::addRow("same version")
            << ok(FeedServer::feed("1.0.0")) << Outcome::UpToDate << Failure::None << "1.0.0";
        failed("malformed feed", ok("<rss><channel><item>"), Failure::MalformedFeed);
        const QByteArray tooLarge(Updater::maximumFeedSize + 1, ' ');
        failed("feed too large to hold", ok(tooLarge), Failure::MalformedFeed);
        failed("404", FeedServer::httpResponse("<h1>Not Found</h1>", 404, "Not Found", "text/html"),
               Failure::HttpError);
        failed("garbage instead of HTTP",
               QByteArray("SSH-2.0-OpenSSH_9.2p1\r\n\x00\x01\x02\xff garbage\r\n\r\n", 40),
               Failure::BadResponse);
        // Not answers but stand-ins: nobody listens, the server never answers, the address is not
        // on the web, or it names a local file that is not a regular one or too large.
        failed("connection refused", "REFUSE", Failure::Unreachable);
        failed("stalled server", "STALL", Failure::Unreachable);
        failed("feed address not on the web", "FTP", Failure::NotConfigured);
        const QString notRegular = QStringLiteral("is not a regular file");
        failed("FIFO", "FILE:fifo", Failure::MalformedFeed, notRegular);
        failed("device", "FILE:/dev/null", Failure::MalformedFeed, notRegular);
        failed("directory", "FILE:directory", Failure::MalformedFeed, notRegular);
        failed("regular file too large", "FILE:large", Failure::MalformedFeed,
               QStringLiteral("The feed is larger than %1 bytes").arg(Updater::maximumFeedSize));
    }

    void reportsOutcome() {
        QFETCH(QByteArray, response);
        QFETCH(Outcome, outcome);
        QFETCH(Failure, failure);
        QFETCH(QString, text);
        TestEnvironment env;
        FeedServer server;
        server.setResponse(response);
        server.setHolding(response == "STALL");
        const QString file = response.startsWith("FILE:") ? response.mid(5) : QString();
        const QString name = QStringLiteral("appcast.xml");
        const QUrl url =
            response == "REFUSE"
                ? QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(FeedServer::closedPort()))
            : response == "FTP"    ? QUrl(QStringLiteral("ftp://127.0.0.1/appcast.xml"))
            : file == u"fifo"      ? QUrl::fromLocalFile(env.makeFifo(name))
            : file == u"directory" ? QUrl::fromLocalFile(env.path())
            : file == u"large"     ? QUrl::fromLocalFile(env.writeFile(
                                         name, QByteArray(Updater::maximumFeedSize + 1, ' ')))
            : !file.isEmpty()      ? QUrl::fromLocalFile(file)
                                   : server.url(QStringLiteral("/beta/appcast.xml"));

        Updater updater;
        QCOMPARE(updater.feedURL(), QUrl(QStringLiteral(KESTRINE_UPDATE_FEED_URL)));
        pointFeedAt(url); // read again at each check
        if (response == "STALL")
            updater.setTransferTimeout(std::chrono::milliseconds(300));
        updater.startUpdater();
        updater.setCurrentVersion(QStringLiteral("1.0"));
        // Opening a FIFO blocks the thread: the watchdog lets a check stuck there end and fail.
        std::atomic_bool done = false;
        std::thread watchdog([&] {
            for (int waited = 0; waited < 3000 && !done; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!done && file == u"fifo")
                TestEnvironment::releaseFifoReader(url.toLocalFile());
        });
        const UpdateCheckResult result = check(updater);
        done = true;
        watchdog.join();

        // Qt sends a GET again when the connection broke before an answer; otherwise one request.
        if (response.startsWith("HTTP/"))
            QCOMPARE(server.requests(), QList<QByteArray>{"GET /beta/appcast.xml HTTP/1.1"});
        else if (response != "REFUSE")
            QCOMPARE(server.requests().isEmpty(), response == "FTP" || !file.isEmpty());
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.failure, failure);
        QCOMPARE(result.currentVersion, QString(outcome == Outcome::Failed ? "" : "1.0"));
        QCOMPARE(result.item.displayVersion(), outcome == Outcome::Failed ? QString() : text);
        QVERIFY2(result.detail.endsWith(outcome == Outcome::Failed ? text : QString()),
                 qPrintable(result.detail));
        QCOMPARE(result.httpStatus == 404, failure == Failure::HttpError);
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
        server.setFeed("2.0");
        server.setHolding(true);
        pointFeedAt(server.url());
        auto updater = std::make_unique<Updater>();
        QVERIFY(!updater->checkForUpdates()); // not started yet
        updater->startUpdater();
        QSignalSpy finished(updater.get(), &Updater::checkFinished);
        QVERIFY(updater->checkForUpdates());
        QTRY_COMPARE(server.requests().size(), 1);
        QVERIFY(!updater->checkForUpdates());
        QVERIFY(!updater->checkForUpdatesInBackground());

        if (destroyedFirst)
            updater.reset();
        server.release();
        if (destroyedFirst)
            return QCoreApplication::processEvents();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(updater->canCheckForUpdates());
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(finished.first().first().value<UpdateCheckResult>().outcome,
                 Outcome::UpdateAvailable);
    }
};

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_Updater.moc"
