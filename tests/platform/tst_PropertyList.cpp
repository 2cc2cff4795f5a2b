#include "TestEnvironment.h"

#include "platform/PropertyList.h"

#include <QtConcurrent>
#include <QtTest>

namespace {

// {CFBundleIdentifier: "com.apple.dt.Xcode", Count: 42, List: [true]} as a binary plist.
const QByteArray binaryDictionary = QByteArray::fromHex(
    "62706c6973743030d30102030405065f1012434642756e646c654964656e74696669657255436f756e74544c6973"
    "745f1012636f6d2e6170706c652e64742e58636f6465102aa10709080f242a2f44464800000000000001010000"
    "00000000000800000000000000000000000000000049");

const QByteArray xmlHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";

} // namespace

class tst_PropertyList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsDictionary_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("isDictionary");
        QTest::addColumn<QVariantMap>("expected");

        const QVariantMap xcode{{"CFBundleIdentifier", QStringLiteral("com.apple.dt.Xcode")}};
        QTest::addRow("XML") << xmlHeader +
                                    "<dict><key>CFBundleIdentifier</key><string>com.apple.dt.Xcode"
                                    "</string></dict></plist>"
                             << true << xcode;
        QTest::addRow("binary") << binaryDictionary << true
                                << QVariantMap{
                                       {"CFBundleIdentifier", QStringLiteral("com.apple.dt.Xcode")},
                                       {"Count", qint64(42)},
                                       {"List", QVariantList{true}}};
        QTest::addRow("nested values")
            << xmlHeader +
                   "<dict><key>a</key><array><integer>-3</integer><real>1.5</real><false/></array>"
                   "<key>d</key><dict><key>s</key><string>caf\xc3\xa9</string></dict>"
                   "<key>b</key><data>AAEC</data></dict></plist>"
            << true
            << QVariantMap{{"a", QVariantList{qint64(-3), 1.5, false}},
                           {"d", QVariantMap{{"s", QStringLiteral("café")}}},
                           {"b", QByteArray("\x00\x01\x02", 3)}};
        QTest::addRow("array at the top")
            << xmlHeader + "<array><string>x</string></array></plist>" << false << QVariantMap();
        QTest::addRow("truncated XML")
            << xmlHeader + "<dict><key>CFBundleIdentifier</key><str" << false << QVariantMap();
        // Found by fuzzing: libplist asserted on reading the key, aborting the app.
        QTest::addRow("binary, NUL inside a key")
            << QByteArray::fromHex("62706c6973743030d2010203045f1012434642756e646c654964656e746966"
                                   "696572536100625269645178080d2226290000000000000101000000000000"
                                   "00050000000000000000000000000000002b")
            << true
            << QVariantMap{{"CFBundleIdentifier", QStringLiteral("id")},
                           {"a", QStringLiteral("x")}};
        QTest::addRow("truncated binary") << binaryDictionary.left(20) << false << QVariantMap();
        // No contents: the path is a directory, which cannot be opened as a file.
        QTest::addRow("a directory") << QByteArray() << false << QVariantMap();
        // Opening a FIFO waits for a writer that never comes.
        QTest::addRow("a FIFO") << QByteArray("<fifo>") << false << QVariantMap();
    }

    void readsDictionary() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, isDictionary);
        QFETCH(QVariantMap, expected);
        TestEnvironment env;
        const QString path = contents.isNull() ? env.path()
                             : contents == "<fifo>"
                                 ? env.makeFifo(QStringLiteral("Info.plist"))
                                 : env.writeFile(QStringLiteral("Info.plist"), contents);

        QFuture<std::optional<QVariantMap>> reading =
            QtConcurrent::run(&PropertyList::readDictionary, path);
        const bool finished = QTest::qWaitFor([&] { return reading.isFinished(); }, 5000);
        if (!finished)
            TestEnvironment::releaseFifoReader(path);
        QVERIFY2(finished, "the read blocked");
        const std::optional<QVariantMap> dictionary = reading.result();

        QCOMPARE(dictionary.has_value(), isDictionary);
        if (isDictionary)
            QCOMPARE(*dictionary, expected);
    }
};

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_PropertyList.moc"
