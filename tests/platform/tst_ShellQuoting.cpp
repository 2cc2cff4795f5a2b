#include "platform/ShellQuoting.h"

#include <QProcess>
#include <QtTest>

// What a POSIX shell reads back from the quoted words: printf writes each word NUL-terminated.
class tst_ShellQuoting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quotedWordsComeBackWhole_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("quoted");
        QTest::addRow("plain path and option") << "/usr/bin/adb"
                                               << "/usr/bin/adb";
        QTest::addRow("every plain character") << "A-z_0.9@%+=:,/"
                                               << "A-z_0.9@%+=:,/";
        QTest::addRow("URL without specials") << "myapp://x/y"
                                              << "myapp://x/y";
        QTest::addRow("empty word") << ""
                                    << "''";
        QTest::addRow("spaces") << "a b  c"
                                << "'a b  c'";
        QTest::addRow("single quotes") << "it's 'x'"
                                       << "'it'\\''s '\\''x'\\'''";
        QTest::addRow("double quote") << "say \"hi\""
                                      << "'say \"hi\"'";
        QTest::addRow("expansions: $ ` \\") << "$HOME $(id) `id` \\n ${x}"
                                            << "'$HOME $(id) `id` \\n ${x}'";
        QTest::addRow("history, globs, operators") << "!1 * ? [a] & ; | < > ( ) # ~"
                                                   << "'!1 * ? [a] & ; | < > ( ) # ~'";
        QTest::addRow("newline and tab") << "a\nb\tc"
                                         << "'a\nb\tc'";
        QTest::addRow("non-ASCII") << "caf\u00e9 \U0001F680"
                                   << "'caf\u00e9 \U0001F680'";
        QTest::addRow("query") << "myapp://x?a=1&b=2"
                               << "'myapp://x?a=1&b=2'";
    }
    void quotedWordsComeBackWhole() {
        QFETCH(QString, word);
        QFETCH(QString, quoted);
        QCOMPARE(ShellQuoting::quoted(word), quoted);

        const QStringList words{word, QStringLiteral("next")};
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), "printf '%s\\0' " + ShellQuoting::joined(words)});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(shell.exitCode(), 0);
        QStringList read;
        for (const QByteArray& field : shell.readAllStandardOutput().split('\0'))
            read.append(QString::fromUtf8(field));
        QCOMPARE(read, words + QStringList{QString()});
    }
};

QTEST_GUILESS_MAIN(tst_ShellQuoting)
#include "tst_ShellQuoting.moc"
