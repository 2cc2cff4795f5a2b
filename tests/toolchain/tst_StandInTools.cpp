#include "FakeXcode.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QtTest>

// The stand-in tools name each call's log entry by its start time, so that name order is call
// order, whichever date the machine has: BSD date (the Mac's) prints %N as it is.
class tst_StandInTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void callsAreLoggedInCallOrder_data() {
        QTest::addColumn<bool>("bsdDate");
        QTest::addRow("GNU date") << false;
        QTest::addRow("BSD date, without nanoseconds") << true;
    }

    void callsAreLoggedInCallOrder() {
        QFETCH(bool, bsdDate);
        TestEnvironment env;
        if (bsdDate) {
            QVERIFY(QDir(env.path()).mkpath(QStringLiteral("bin")));
            const QString date = env.writeFile(
                QStringLiteral("bin/date"),
                "#!/bin/sh\n[ \"$1\" = +%s%N ] && exec printf '%sN\\n' \"$(/bin/date +%s)\"\n"
                "exec /bin/date \"$@\"\n");
            QVERIFY(QFile::setPermissions(date, QFile::ReadOwner | QFile::ExeOwner));
            qputenv("PATH", env.filePath(QStringLiteral("bin:")).toUtf8() + qgetenv("PATH"));
        }
        FakeXcode xcode(env.path());
        const QStringList arguments{"first", "second", "third", "fourth"};
        for (const QString& argument : arguments) {
            QProcess tool;
            tool.start(xcode.toolPath(FakeXcode::Tool::Simctl), {argument});
            QVERIFY(tool.waitForFinished(10000));
        }
        const QList<std::pair<QString, StandInTools::Invocation>> entries =
            StandInTools(xcode.developerDirectory() + QStringLiteral("/StandIn"))
                .logEntries(QStringLiteral("simctl"));
        static const QRegularExpression name(QStringLiteral("^[0-9]{19}-[0-9]+$"));
        QStringList called;
        for (const auto& [file, invocation] : entries) {
            QVERIFY2(name.match(file).hasMatch(), qPrintable(file));
            called += invocation.arguments;
        }
        QCOMPARE(called, arguments);
    }
};

QTEST_GUILESS_MAIN(tst_StandInTools)
#include "tst_StandInTools.moc"
