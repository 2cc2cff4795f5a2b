#include "AdbPhone.h"
#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/AdbClient.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/ShellQuoting.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <memory>

using ToolFailures::message;

// Kestrine's adb calls through Debian's real adb client and server to a phone that speaks adb's
// wire protocol: what the phone's shell receives, and what comes back.
class tst_AdbPhone : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!AdbPhone::available())
            QSKIP("needs Debian's adb and mksh");
        m_environment = std::make_unique<TestEnvironment>();
        QElapsedTimer clock;
        clock.start();
        m_phone = std::make_unique<AdbPhone>(m_environment->path());
        qInfo("phone and adb server ready in %lld ms", clock.elapsed());
        m_phone->configure(
            "system com.android.chrome com.google.android.apps.chrome.IntentDispatcher http:// "
            "https://\n"
            "app com.example.shop .ProductActivity shop: Shop: MyApp: app:\n"
            "app com.example.news .MainActivity news://\n");
    }
    void cleanupTestCase() {
        m_phone.reset();
        m_environment.reset();
    }

    void listsThePhone() {
        const qsizetype before = m_phone->calls().size();
        const TaskOutcome<QList<Device>> listing =
            waitForOutcome(AdbClient(AdbPhone::adbPath()).listDevices());
        QCOMPARE(
            DeviceFixtures::describe(listing.value.value_or(QList<Device>())),
            QStringList{m_phone->serial() + "|Kestrine Phone|Booted|Android|14|androidDevice"});
        QCOMPARE(m_phone->calls().mid(before),
                 (QList<QStringList>{{"getprop", "ro.build.version.release"}}));
    }

    void listsThirdPartyPackages() {
        const TaskOutcome<QStringList> packages =
            waitForOutcome(AdbClient(AdbPhone::adbPath()).listPackages(m_phone->serial()));
        QCOMPARE(packages.value.value_or(QStringList()),
                 (QStringList{"com.example.news", "com.example.shop"}));
    }

    void urlReachesAmWhole_data() {
        QTest::addColumn<QString>("url");
        for (const ExactUrls::Row& row : ExactUrls::rows())
            QTest::addRow("%s", row.name) << row.exact;
        // A substitution the shell ran would show as a call of its own.
        QTest::addRow("quotes, spaces, & ; $")
            << QStringLiteral("shop://x/'a' \"b\"?c=1&d=2;e=$(getprop x)&f=`getprop y`${HOME}");
        QTest::addRow("quote escape lookalike, newline") << QStringLiteral("shop://x/'\\''\n' z");
    }
    void urlReachesAmWhole() {
        QFETCH(QString, url);
        const qsizetype before = m_phone->calls().size();
        const TaskOutcome<FiringOutcome> outcome = waitForOutcome(
            AdbClient(AdbPhone::adbPath()).openURL(url, m_phone->serial(), "com.example.shop"));
        QCOMPARE(message(outcome), QString());
        // The device's browser is asked at its first firing only.
        QList<QStringList> calls = m_phone->calls().mid(before);
        calls.removeAll({"cmd", "package", "resolve-activity", "--brief", "-a",
                         "android.intent.action.VIEW", "-c", "android.intent.category.BROWSABLE",
                         "-d", "http://example.com"});
        QCOMPARE(calls,
                 (QList<QStringList>{{"am", "start", "-W", "-a", "android.intent.action.VIEW", "-d",
                                      url, "com.example.shop"}}));
    }

    // Copy Command pasted into a terminal: the URL of adb's shell command is quoted for the
    // phone's shell already, so the user's shell must get it quoted once more.
    void copiedCommandReachesAmAsExecuteDoes_data() {
        QTest::addColumn<QString>("url");
        QTest::addRow("plain") << QStringLiteral("shop://item/42");
        QTest::addRow("& ; $ ' \" and spaces")
            << QStringLiteral("shop://x/'a' \"b\"?c=1&d=2;e=$(getprop x) f=`getprop y`${HOME}");
    }
    void copiedCommandReachesAmAsExecuteDoes() {
        QFETCH(QString, url);
        const DeeplinkExecuter::Target target{.device = {.id = m_phone->serial(),
                                                         .state = DeviceState::Booted,
                                                         .source = DeviceSource::AndroidDevice},
                                              .adbPath = AdbPhone::adbPath(),
                                              .app = QStringLiteral("com.example.shop")};
        // The device's browser, asked at a firing, is no call of the firing itself.
        const auto amCalls = [this](qsizetype from) {
            QList<QStringList> calls = m_phone->calls().mid(from);
            calls.removeIf([](const QStringList& call) { return call.value(0) != u"am"; });
            return calls;
        };
        qsizetype before = m_phone->calls().size();
        const QString pasted = ShellQuoting::joined(DeeplinkExecuter::commandLine(url, target));
        QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), pasted}), 0);
        const QList<QStringList> byShell = amCalls(before);
        before = m_phone->calls().size();
        QCOMPARE(message(waitForOutcome(DeeplinkExecuter::openURL(url, target))), QString());
        QCOMPARE(byShell, amCalls(before));
        QCOMPARE(byShell.size(), 1);
    }

    // Standard error and the exit status come back through the shell protocol.
    void unresolvedLinkHasNoHandler() {
        const TaskOutcome<FiringOutcome> outcome = waitForOutcome(
            AdbClient(AdbPhone::adbPath()).openURL("nope://x?a=1", m_phone->serial()));
        QCOMPARE(
            outcome.value.value_or(FiringOutcome::failed(message(outcome))),
            (FiringOutcome{.result = FiringOutcome::Result::NoHandler,
                           .message = "Error: Activity not started, unable to resolve Intent { "
                                      "act=android.intent.action.VIEW dat=nope://x/... "
                                      "flg=0x10000000 }"}));
    }

    // A PNG holds CR, LF and NUL bytes: any text conversion on the way breaks it.
    void screencapArrivesIntact() {
        const QImage screen = QImage::fromData(
            m_phone->adb({"-s", m_phone->serial(), "exec-out", "screencap", "-p"}), "PNG");
        QCOMPARE(screen.size(), QSize(4, 3));
        QCOMPARE(screen.pixel(1, 2), qRgb(0xff, 0x1a, 0x0a));
    }

private:
    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<AdbPhone> m_phone;
};

QTEST_GUILESS_MAIN(tst_AdbPhone)
#include "tst_AdbPhone.moc"
