#include "FeedServer.h"
#include "TestEnvironment.h"
#include "platform/AppSettings.h"
#include "updates/Updater.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(UpdateCheckResult)

namespace {

using Outcome = UpdateCheckResult::Outcome;
using Failure = UpdateCheckResult::Failure;

QByteArray feed(const QList<QByteArray>& versions) {
    QByteArray items;
    for (const QByteArray& version : versions) {
        items += "<item><title>Kestrine " + version + "</title><sparkle:version>" + version +
                 "</sparkle:version><description>Notes for " + version +
                 "</description><enclosure url=\"https://kestrine.app/Kestrine-" + version +
                 ".zip\"/></item>";
    }
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<title>Kestrine</title>" +
           items + "</channel></rss>";
}

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
    void initTestCase();
    void reportsOutcome_data();
    void reportsOutcome();
    void reportsUnreachableServer();
    void givesUpOnStalledServer();
    void refusesSecondCheckWhileOneRuns();
    void readsFeedURLFromSettings_data();
    void readsFeedURLFromSettings();
    void checksAtStartUpOnlyWhenTurnedOn_data();
    void checksAtStartUpOnlyWhenTurnedOn();
    void survivesBeingDestroyedMidCheck();
};

void tst_Updater::initTestCase() {
    qRegisterMetaType<UpdateCheckResult>();
    // A proxy from the environment must never see the test's requests.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void tst_Updater::reportsOutcome_data() {
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("currentVersion");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("offered");

    const auto ok = [](const QByteArray& body) { return FeedServer::httpResponse(body); };
    QTest::addRow("newer version")
        << ok(feed({"1.1"})) << "1.0" << Outcome::UpdateAvailable << Failure::None << "1.1";
    QTest::addRow("same version") << ok(feed({"1.0.0"})) << "1.0" << Outcome::UpToDate
                                  << Failure::None << "";
    QTest::addRow("older version")
        << ok(feed({"0.9"})) << "1.0" << Outcome::UpToDate << Failure::None << "";
    QTest::addRow("1.10 is newer than 1.9")
        << ok(feed({"1.10"})) << "1.9" << Outcome::UpdateAvailable << Failure::None << "1.10";
    QTest::addRow("1.9 is older than 1.10")
        << ok(feed({"1.9"})) << "1.10" << Outcome::UpToDate << Failure::None << "";
    QTest::addRow("newest of several, in any order")
        << ok(feed({"1.2", "1.10", "1.9"})) << "1.9" << Outcome::UpdateAvailable << Failure::None
        << "1.10";
    QTest::addRow("feed without releases")
        << ok(feed({})) << "1.0" << Outcome::UpToDate << Failure::None << "";
    QTest::addRow("malformed feed")
        << ok("<rss><channel><item>") << "1.0" << Outcome::Failed << Failure::MalformedFeed << "";
    QTest::addRow("web page instead of a feed")
        << FeedServer::httpResponse("<!DOCTYPE html><html><body>Parked</body></html>", 200, "OK",
                                    "text/html")
        << "1.0" << Outcome::Failed << Failure::MalformedFeed << "";
    QTest::addRow("empty body") << ok({}) << "1.0" << Outcome::Failed << Failure::MalformedFeed
                                << "";
    QTest::addRow("feed too large to hold")
        << ok(QByteArray(Updater::maximumFeedSize + 1, ' ')) << "1.0" << Outcome::Failed
        << Failure::MalformedFeed << "";
    QTest::addRow("404") << FeedServer::httpResponse("<h1>Not Found</h1>", 404, "Not Found",
                                                     "text/html")
                         << "1.0" << Outcome::Failed << Failure::HttpError << "";
    QTest::addRow("500") << FeedServer::httpResponse({}, 500, "Internal Server Error") << "1.0"
                         << Outcome::Failed << Failure::HttpError << "";
    QTest::addRow("garbage instead of HTTP")
        << QByteArray("SSH-2.0-OpenSSH_9.2p1\r\n\x00\x01\x02\xff garbage\r\n\r\n", 40) << "1.0"
        << Outcome::Failed << Failure::BadResponse << "";
    QTest::addRow("connection closed without an answer")
        << QByteArray() << "1.0" << Outcome::Failed << Failure::BadResponse << "";
}

void tst_Updater::reportsOutcome() {
    QFETCH(QByteArray, response);
    QFETCH(QString, currentVersion);
    QFETCH(Outcome, outcome);
    QFETCH(Failure, failure);
    QFETCH(QString, offered);

    TestEnvironment env;
    FeedServer server;
    QVERIFY(server.isListening());
    server.setResponse(response);
    pointFeedAt(server.url());

    Updater updater;
    updater.startUpdater();
    updater.setCurrentVersion(currentVersion);
    const UpdateCheckResult result = check(updater);

    // Qt sends a GET again when the connection broke before an answer; otherwise one request.
    if (response.startsWith("HTTP/"))
        QCOMPARE(server.requestCount(), 1);
    else
        QVERIFY(server.requestCount() >= 1);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.failure, failure);
    QCOMPARE(result.currentVersion, outcome == Outcome::Failed ? QString() : currentVersion);
    if (outcome == Outcome::UpdateAvailable) {
        QCOMPARE(result.item.displayVersion(), offered);
        QCOMPARE(result.item.downloadURL,
                 QUrl("https://kestrine.app/Kestrine-" + offered + ".zip"));
        QCOMPARE(result.item.releaseNotes, "Notes for " + offered);
    }
    if (failure == Failure::HttpError)
        QCOMPARE(result.httpStatus, QTest::currentDataTag() == QByteArray("404") ? 404 : 500);
    QVERIFY(updater.canCheckForUpdates());
    const QStringList lines = env.messages(QStringLiteral("Updater"));
    QCOMPARE(lines.first(), "Checking for updates at " + server.url().toString());
    if (outcome == Outcome::Failed)
        QVERIFY(lines.last().startsWith(QStringLiteral("Update check failed: ")));
}

void tst_Updater::reportsUnreachableServer() {
    TestEnvironment env;
    pointFeedAt(
        QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(FeedServer::closedPort())));
    Updater updater;
    updater.startUpdater();
    const UpdateCheckResult result = check(updater);
    QCOMPARE(result.outcome, Outcome::Failed);
    QCOMPARE(result.failure, Failure::Unreachable);
    QVERIFY(result.text().contains(QStringLiteral("internet connection")));
    QVERIFY(updater.canCheckForUpdates());
}

void tst_Updater::givesUpOnStalledServer() {
    TestEnvironment env;
    FeedServer server;
    server.setHolding(true);
    pointFeedAt(server.url());
    Updater updater;
    updater.setTransferTimeout(std::chrono::milliseconds(300));
    updater.startUpdater();
    const UpdateCheckResult result = check(updater);
    QCOMPARE(result.outcome, Outcome::Failed);
    QCOMPARE(result.failure, Failure::Unreachable);
    QVERIFY(updater.canCheckForUpdates());
}

void tst_Updater::refusesSecondCheckWhileOneRuns() {
    TestEnvironment env;
    FeedServer server;
    server.setFeed(feed({"2.0"}));
    server.setHolding(true);
    pointFeedAt(server.url());

    Updater updater;
    QVERIFY(!updater.canCheckForUpdates()); // not started yet
    QVERIFY(!updater.checkForUpdates());
    updater.startUpdater();
    QVERIFY(updater.canCheckForUpdates());

    QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
    QSignalSpy finished(&updater, &Updater::checkFinished);
    QVERIFY(updater.checkForUpdates());
    QVERIFY(!updater.canCheckForUpdates());
    QCOMPARE(changed.size(), 1);
    QTRY_COMPARE(server.requestCount(), 1);

    QVERIFY(!updater.checkForUpdates());
    QVERIFY(!updater.checkForUpdatesInBackground());
    QVERIFY(!updater.canCheckForUpdates());

    server.release();
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(updater.canCheckForUpdates());
    QCOMPARE(changed.size(), 2);
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(finished.first().first().value<UpdateCheckResult>().outcome, Outcome::UpdateAvailable);
}

void tst_Updater::readsFeedURLFromSettings_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("reachesServer");

    QTest::addRow("override") << "SERVER" << true;
    QTest::addRow("not an address") << "::not a url::" << false;
    QTest::addRow("unsupported scheme") << "ftp://127.0.0.1/appcast.xml" << false;
    QTest::addRow("web address without host") << "https:///appcast.xml" << false;
}

void tst_Updater::readsFeedURLFromSettings() {
    QFETCH(QString, setting);
    QFETCH(bool, reachesServer);

    TestEnvironment env;
    FeedServer server;
    server.setFeed(feed({"0.1"}));
    Updater updater;
    QCOMPARE(updater.feedURL(), Updater::defaultFeedURL());
    QCOMPARE(Updater::defaultFeedURL(), QUrl(QStringLiteral(KESTRINE_UPDATE_FEED_URL)));

    const QUrl custom = server.url(QStringLiteral("/beta/appcast.xml"));
    pointFeedAt(setting == u"SERVER" ? custom : QUrl());
    if (setting != u"SERVER")
        AppSettings::standard()->setValue(QLatin1String(Updater::feedURLKey), setting);
    updater.startUpdater();
    const UpdateCheckResult result = check(updater);
    if (reachesServer) {
        QCOMPARE(result.outcome, Outcome::UpToDate);
        QCOMPARE(server.requests(), QList<QByteArray>{"GET /beta/appcast.xml HTTP/1.1"});
        QVERIFY(server.requestHeads().first().contains("User-Agent: Kestrine/"));
    } else {
        QCOMPARE(result.outcome, Outcome::Failed);
        QCOMPARE(result.failure, Failure::NotConfigured);
        QCOMPARE(server.requestCount(), 0);
    }
}

void tst_Updater::checksAtStartUpOnlyWhenTurnedOn_data() {
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<bool>("checks");

    QTest::addRow("never set") << QVariant() << false;
    QTest::addRow("turned off") << QVariant(false) << false;
    QTest::addRow("turned on") << QVariant(true) << true;
}

void tst_Updater::checksAtStartUpOnlyWhenTurnedOn() {
    QFETCH(QVariant, setting);
    QFETCH(bool, checks);

    TestEnvironment env;
    FeedServer server;
    server.setFeed(feed({"9.0"}));
    pointFeedAt(server.url());
    if (setting.isValid())
        Updater::setAutomaticallyChecksForUpdates(setting.toBool());

    Updater updater;
    QSignalSpy finished(&updater, &Updater::checkFinished);
    updater.startUpdater();
    QCoreApplication::processEvents(); // the start-up check waits for the event loop
    QCOMPARE(updater.canCheckForUpdates(), !checks);
    if (checks) {
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(1).toBool(), false); // not on the user's behalf
        QCOMPARE(server.requestCount(), 1);
    } else {
        QCOMPARE(server.requestCount(), 0);
        QVERIFY(finished.isEmpty());
    }
}

void tst_Updater::survivesBeingDestroyedMidCheck() {
    TestEnvironment env;
    FeedServer server;
    server.setFeed(feed({"2.0"}));
    server.setHolding(true);
    pointFeedAt(server.url());
    auto updater = std::make_unique<Updater>();
    updater->startUpdater();
    QVERIFY(updater->checkForUpdates());
    QTRY_COMPARE(server.requestCount(), 1);
    updater.reset();
    server.release();
    // Let the answer arrive where nobody waits for it any more.
    QCoreApplication::processEvents();
}

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_Updater.moc"
