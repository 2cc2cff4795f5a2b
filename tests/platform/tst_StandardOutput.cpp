#include "platform/StandardOutput.h"

#include <QtTest>

class tst_StandardOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escaped_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain text, accents and emoji")
            << QStringLiteral("Café ☕ 🛒") << QStringLiteral("Café ☕ 🛒");
        QTest::newRow("clipboard write (OSC 52)") << QStringLiteral("a\x1b]52;c;cm0gLXJm\x07z")
                                                  << QStringLiteral("a\\e]52;c;cm0gLXJm\\x07z");
        QTest::newRow("line erased and overwritten")
            << QStringLiteral("\x1b[2K\rok") << QStringLiteral("\\e[2K\\rok");
        QTest::newRow("a forged row and column")
            << QStringLiteral("a\tb\nc") << QStringLiteral("a\\tb\\nc");
        QTest::newRow("backslash, so an escape cannot be faked")
            << QStringLiteral("a\\eb") << QStringLiteral("a\\\\eb");
        QTest::newRow("NUL, the last C0, DEL and space")
            << QStringLiteral("\0\x1f\x7f \0") << QStringLiteral("\\x00\\x1f\\x7f \\x00");
        QTest::newRow("C1 controls, and the letters beside them")
            << QStringLiteral("\u0080\u009b\u009f\u00a0~")
            << QStringLiteral("\\x80\\x9b\\x9f\u00a0~");
    }

    void escaped() {
        QFETCH(QString, field);
        QFETCH(QString, shown);
        QCOMPARE(StandardOutput::escaped(field), shown);
    }
};

QTEST_APPLESS_MAIN(tst_StandardOutput)
#include "tst_StandardOutput.moc"
