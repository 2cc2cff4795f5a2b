#include "StandInTools.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "platform/AppError.h"
#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"
#include "toolchain/CommandRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

QCoro::Task<CommandOutput> startShell(const QStringList& arguments, bool captureError = true,
                                      QMap<QString, QString> environment = {},
                                      std::chrono::milliseconds deadline = 20s) {
    return CommandRunner::run(QUrl::fromLocalFile(QStringLiteral("/bin/sh")),
                              QStringList{"-c"} + arguments, std::move(environment), true,
                              captureError, deadline);
}

TaskOutcome<CommandOutput> runShell(const QStringList& arguments, bool captureError = true,
                                    QMap<QString, QString> environment = {}) {
    return waitForOutcome(startShell(arguments, captureError, std::move(environment)));
}

} // namespace

class tst_CommandRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void outcome_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("captureError");
        QTest::addColumn<QString>("result"); // "output|error output" captured, or the failure

        // Exit status 0 is success even with text on standard error.
        QTest::addRow("success, both captured")
            << "echo out; echo err >&2" << true << "out\n|err\n";
        QTest::addRow("success, standard output only")
            << "echo out; echo err >&2" << false << "out\n|";
        QTest::addRow("standard error wins over standard output")
            << "printf 'on stdout'; printf 'on stderr' >&2; exit 1" << true << "on stderr";
        QTest::addRow("standard output when standard error is empty")
            << "printf 'only stdout\\n'; exit 2" << true << "only stdout\n";
        QTest::addRow("nothing written") << "exit 3" << true << "Unknown error";
        QTest::addRow("invalid UTF-8 on standard error counts as empty")
            << "printf '\\377\\376bad' >&2; printf 'fallback'; exit 1" << true << "fallback";
        // Past 64 MiB on either stream the tool is stopped (the sleep would outlast the test).
        const QString stopped = QStringLiteral("“sh” was stopped: its output passed 64 MiB");
        QTest::addRow("standard output past the cap")
            << "head -c 67108865 /dev/zero; exec sleep 60" << true << stopped;
        QTest::addRow("standard error past the cap")
            << "head -c 67108865 /dev/zero >&2; exit 0" << true << stopped;
        // Out of reach of the terminal's Ctrl+C and of Kestrine's own input.
        QTest::addRow("leads a process group of its own")
            << R"sh([ "$(ps -o pgid= -p $$ | tr -d ' ')" = $$ ] && echo leader)sh" << true
            << "leader\n|";
        QTest::addRow("reads the null device")
            << R"sh(set -- $(ls -iL /dev/fd/0 /dev/null); [ "$1" = "$3" ] && echo null)sh" << true
            << "null\n|";
    }

    void outcome() {
        QFETCH(QString, script);
        QFETCH(bool, captureError);
        QFETCH(QString, result);
        TestEnvironment env;
        const TaskOutcome<CommandOutput> outcome = runShell({script}, captureError);
        if (outcome.value) {
            QCOMPARE(QString::fromUtf8(outcome.value->output + '|' + outcome.value->errorOutput),
                     result);
            return;
        }
        const std::optional<CommandError> error = outcome.errorAs<CommandError>();
        QVERIFY(error);
        QCOMPARE(error->message, result);
        QCOMPARE(error->errorDescription(), result);
    }

    // The tool leaves a child running, which killing the tool alone would miss.
    void hungToolIsKilledWithItsGroup_data() {
        QTest::addColumn<bool>("atDeadline"); // else on the way out
        QTest::addRow("at its deadline") << true;
        QTest::addRow("on the way out") << false;
    }

    void hungToolIsKilledWithItsGroup() {
        QFETCH(bool, atDeadline);
        TestEnvironment env;
        const QString childFile = env.filePath(QStringLiteral("child"));
        QElapsedTimer clock;
        clock.start();
        QCoro::Task<CommandOutput> task = startShell(
            {"sleep 60 & echo $! > \"$0.part\" && mv \"$0.part\" \"$0\"; wait", childFile}, true,
            {}, atDeadline ? 500ms : 60s);
        QTRY_VERIFY(QFile::exists(childFile));
        if (!atDeadline)
            CommandRunner::killRunning();
        const TaskOutcome<CommandOutput> outcome = waitForOutcome(std::move(task));
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(ToolFailures::message(outcome),
                 atDeadline ? QStringLiteral("sh did not answer within 0.5 s")
                            : QStringLiteral("Unknown error"));
        QFile child(childFile);
        QVERIFY(child.open(QIODevice::ReadOnly));
        const qint64 id = child.readAll().trimmed().toLongLong();
        QVERIFY(id > 0);
        QTRY_VERIFY(!StandInTools::isRunning(id));
    }

    void argumentsArriveVerbatim() {
        TestEnvironment env;
        // Shell syntax, then newlines, dashes, an empty one and non-ASCII.
        QStringList arguments{"a;b", "$(touch pwned)", "`id`", "$HOME", "*", "a|b", "&&", ">out"};
        arguments +=
            {"line one\nline two",           "\n", "-n", "--json-output", "", "tëst", "🦅",
             "https://example.com/ä?q=1&r=2"};
        // Each argument printed NUL-terminated, so that every byte can be compared.
        const TaskOutcome<CommandOutput> outcome = runShell(
            QStringList{"for a in \"$@\"; do printf '%s\\0' \"$a\"; done", "sh"} + arguments);
        QVERIFY(!outcome.failed());
        QList<QByteArray> received = outcome.value->output.split('\0');
        QCOMPARE(received.takeLast(), QByteArray());
        QStringList texts;
        for (const QByteArray& bytes : received)
            texts.append(QString::fromUtf8(bytes));
        QCOMPARE(texts, arguments);
        QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    }

    void environmentIsLaidOverOurs() {
        TestEnvironment env;
        qputenv("KESTRINE_TEST_REPLACED", "from parent");
        qputenv("KESTRINE_TEST_INHERITED", "inherited value");
        qunsetenv("KESTRINE_TEST_ADDED");
        const TaskOutcome<CommandOutput> outcome = runShell(
            {"printf '%s|%s|%s|%s' \"$KESTRINE_TEST_REPLACED\" "
             "\"$KESTRINE_TEST_INHERITED\" \"$KESTRINE_TEST_ADDED\" \"$HOME\""},
            true, {{"KESTRINE_TEST_REPLACED", "given"}, {"KESTRINE_TEST_ADDED", "new = value"}});
        QVERIFY(!outcome.failed());
        QCOMPARE(QString::fromUtf8(outcome.value->output),
                 "given|inherited value|new = value|" + qEnvironmentVariable("HOME"));
        // Our own environment is left as it was.
        QCOMPARE(qgetenv("KESTRINE_TEST_REPLACED"), QByteArray("from parent"));
        QVERIFY(!qEnvironmentVariableIsSet("KESTRINE_TEST_ADDED"));
    }

    void launchFailure_data() {
        QTest::addColumn<QString>("path");
        QTest::addRow("missing file") << "/nonexistent/Xcode.app/Contents/Developer/usr/bin/simctl";
        QTest::addRow("relative path is not looked up") << "sh";
    }

    void launchFailure() {
        QFETCH(QString, path);
        TestEnvironment env;
        const TaskOutcome<CommandOutput> outcome =
            waitForOutcome(CommandRunner::run(QUrl::fromLocalFile(path), {}, {}, true, true, 20s));
        QVERIFY(outcome.failed());
        QVERIFY(!outcome.errorAs<CommandError>());
        const std::optional<AppError> error = outcome.errorAs<AppError>();
        QVERIFY(error);
        QCOMPARE(error->domain(), CommandRunner::launchErrorDomain);
        QVERIFY2(!error->errorDescription().isEmpty(), qPrintable(error->errorDescription()));
    }
};

QTEST_GUILESS_MAIN(tst_CommandRunner)
#include "tst_CommandRunner.moc"
