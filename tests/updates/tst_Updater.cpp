#include "FeedServer.h"
#include "TestEnvironment.h"
#include "platform/AppSettings.h"
#include "updates/Updater.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <memory>

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
        // Not answers but stand-ins: nobody listens, the server never answers or drips the feed
        // out slower than the deadline allows, or the address is not https.
        failed("connection refused", "REFUSE", Failure::Unreachable);
        const QString late = QStringLiteral("The update server did not send the feed within 1 s.");
        failed("stalled server", "STALL", Failure::Unreachable, late);
        failed("drip-fed feed", "DRIP", Failure::Unreachable, late);
        const QString notHttps = QStringLiteral("is not an https address.");
        failed("ftp feed", "ftp", Failure::NotConfigured, notHttps);
        failed("http feed", "http", Failure::NotConfigured, notHttps);
        failed("file feed", "file", Failure::NotConfigured, notHttps);
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
        if (response == "DRIP") {
            server.setFeed("2.0");
            server.setDripInterval(std::chrono::milliseconds(50));
        }
        QUrl url = response == "REFUSE"
                       ? QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(FeedServer::closedPort()))
                   : response == "file"
                       ? QUrl::fromLocalFile(env.writeFile("appcast.xml", FeedServer::feed("2.0")))
                       : server.url(QStringLiteral("/beta/appcast.xml"));
        if (response == "ftp" || response == "http")
            url.setScheme(QString::fromLatin1(response));
        // Credentials in the address stay out of the log.
        if (!url.isLocalFile())
            url.setUserInfo(QStringLiteral("user:secret"));

        Updater updater;
        QCOMPARE(updater.feedURL(), QUrl(QStringLiteral(KESTRINE_UPDATE_FEED_URL)));
        pointFeedAt(url); // read again at each check
        if (response == "STALL" || response == "DRIP")
            updater.setDeadline(std::chrono::seconds(1));
        updater.startUpdater();
        updater.setCurrentVersion(QStringLiteral("1.0"));
        const UpdateCheckResult result = check(updater);

        // Qt sends a GET again when the connection broke before an answer; otherwise one request.
        if (response.startsWith("HTTP/") || response == "DRIP")
            QCOMPARE(server.requests(), QList<QByteArray>{"GET /beta/appcast.xml HTTP/1.1"});
        else if (response != "REFUSE")
            QCOMPARE(server.requests().isEmpty(), failure == Failure::NotConfigured);
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
            QCOMPARE(lines.first(),
                     "Checking for updates at " + url.toString(QUrl::RemoveUserInfo));
        if (outcome == Outcome::Failed)
            QVERIFY(lines.last().startsWith(QStringLiteral("Update check failed: ")));
        QVERIFY2(!lines.join(u'\n').contains(u"secret"), qPrintable(lines.join(u'\n')));
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
