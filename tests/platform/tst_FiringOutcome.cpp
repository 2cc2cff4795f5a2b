#include "platform/FiringOutcome.h"

#include <QtTest>

using Result = FiringOutcome::Result;
using Launch = FiringOutcome::Launch;

class tst_FiringOutcome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void summary_data() {
        QTest::addColumn<FiringOutcome>("outcome");
        QTest::addColumn<QString>("text");
        const QString component = QStringLiteral("com.example.shop/.ProductActivity");
        QTest::newRow("opened, named, cold, timed")
            << FiringOutcome{.handler = component,
                             .handlerName = QStringLiteral("Shop"),
                             .launch = Launch::Cold,
                             .totalTimeMs = 512}
            << "Opened in Shop (" + component + "), cold start, 512 ms";
        QTest::newRow("opened, nothing known") << FiringOutcome{} << QStringLiteral("Opened");
        QTest::newRow("opened, the name is the handler")
            << FiringOutcome{.handler = QStringLiteral("Safari"),
                             .handlerName = QStringLiteral("Safari"),
                             .launch = Launch::Warm}
            << QStringLiteral("Opened in Safari, warm start");
        QTest::newRow("browser") << FiringOutcome{.result = Result::Browser,
                                                  .handler = QStringLiteral("com.android.chrome")}
                                 << QStringLiteral(
                                        "Fell back to com.android.chrome: no app claims shop://p");
        QTest::newRow("chooser, whatever else is known")
            << FiringOutcome{.result = Result::Chooser, .totalTimeMs = 9}
            << QStringLiteral("Android asked which app should open it");
        QTest::newRow("delivered, hot")
            << FiringOutcome{.result = Result::Delivered,
                             .handler = component,
                             .launch = Launch::Hot}
            << "Delivered to " + component + ", already on screen, hot start";
        QTest::newRow("no handler without a message") << FiringOutcome{.result = Result::NoHandler}
                                                      << QStringLiteral("No app can open shop://p");
        QTest::newRow("failed, a tool's lines made one")
            << FiringOutcome::failed(QStringLiteral("adb: device offline\n  try again\n"))
            << QStringLiteral("Failed: adb: device offline try again");
    }

    void summary() {
        QFETCH(FiringOutcome, outcome);
        QFETCH(QString, text);
        QCOMPARE(outcome.summary(QStringLiteral("shop://p")), text);
    }

    void namesRoundTrip() {
        for (const Result result : {Result::Opened, Result::Browser, Result::Chooser,
                                    Result::Delivered, Result::NoHandler, Result::Failed})
            QCOMPARE(FiringOutcome::resultNamed(FiringOutcome::resultName(result)), result);
        for (const Launch launch : {Launch::Unknown, Launch::Cold, Launch::Warm, Launch::Hot})
            QCOMPARE(FiringOutcome::launchNamed(FiringOutcome::launchName(launch)), launch);
        QCOMPARE(FiringOutcome::resultName(Result::NoHandler), QStringLiteral("no-handler"));
        QCOMPARE(FiringOutcome::resultNamed(u"Opened"), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(tst_FiringOutcome)
#include "tst_FiringOutcome.moc"
