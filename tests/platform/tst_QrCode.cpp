#include "QrScanner.h"

#include "platform/QrCode.h"

#include <QTest>

class tst_QrCode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ZBar reads back the exact URL from the PNG and from the terminal text as a terminal
    // shows it, whose lines hold two module rows each, quiet zone included.
    void decodesBack_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("plain") << QStringLiteral("shop://item/42");
        QTest::newRow("query with & and %")
            << QStringLiteral("https://shop.example/p?a=1&b=%20x%2F&c=%25#top");
        QTest::newRow("non-ASCII UTF-8")
            << QStringLiteral("shop://caf\u00e9/\u5546\u54c1?q=\u00fc");
        QTest::newRow("long") << QStringLiteral("shop://search?q=") + QString(984, u'x');
        // Past what level M holds: level L takes it.
        QTest::newRow("the longest that fits")
            << QStringLiteral("shop://") + QString(QrCode::maximumBytes - 7, u'7');
    }

    void decodesBack() {
        QFETCH(QString, url);
        const Result<QrCode> code = QrCode::encode(url);
        QVERIFY2(code, qPrintable(code ? QString() : code.error()));
        const int side = code->size() + 2 * QrCode::quietZone;
        // The PNG decodes to what Qt makes of the modules, quiet zone included, scaled up
        // without smoothing: 8-bit gray, black on white.
        QImage modules(side, side, QImage::Format_Grayscale8);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x)
                modules.scanLine(y)[x] =
                    code->isDark(x - QrCode::quietZone, y - QrCode::quietZone) ? 0 : 255;
        }
        QCOMPARE(QImage::fromData(code->png(3), "PNG"), modules.scaled(side * 3, side * 3));
        if (!QrScanner::available())
            QSKIP("zbarimg is not installed (Debian package zbar-tools)");
        QCOMPARE(QrScanner::readPng(code->png()), url.toUtf8());

        const QString text = code->terminalText();
        QVERIFY(text.endsWith(u'\n'));
        const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), (side + 1) / 2);
        for (const QString& line : lines)
            QCOMPARE(line.size(), side);
        // The side is odd: the last line is the quiet zone's last row over the terminal's own
        // background, not a light row more.
        QCOMPARE(lines.last(), QString(side, u'\u2580'));
        QCOMPARE(QrScanner::read(QrScanner::terminalImage(text)), url.toUtf8());
    }

    void refusesWhatNoCodeHolds_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QString() << QStringLiteral("There is no URL");
        QTest::newRow("one byte too many")
            << QString(QrCode::maximumBytes + 1, u'a')
            << QStringLiteral("too long for a QR code: 2954 bytes, and a QR code holds at most "
                              "2953");
        // Counted in UTF-8 bytes, not characters.
        QTest::newRow("non-ASCII")
            << QString(1477, u'\u00e9') << QStringLiteral("too long for a QR code: 2954 bytes");
        QTest::newRow("huge") << QString(1 << 20, u'a') << QStringLiteral("too long");
    }

    void refusesWhatNoCodeHolds() {
        QFETCH(QString, url);
        QFETCH(QString, error);
        const Result<QrCode> code = QrCode::encode(url);
        QVERIFY(!code);
        QVERIFY2(code.error().contains(error), qPrintable(code.error()));
    }
};

QTEST_GUILESS_MAIN(tst_QrCode)
#include "tst_QrCode.moc"
