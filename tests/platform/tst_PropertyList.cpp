#include "TestData.h"
#include "TestEnvironment.h"

#include "platform/PropertyList.h"

#include <QtConcurrent>
#include <QtTest>

class tst_PropertyList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsDictionary_data() {
        QTest::addColumn<std::optional<QVariantMap>>("expected");
        const QVariantMap xcode{{"CFBundleIdentifier", QStringLiteral("com.apple.dt.Xcode")}};
        const std::optional<QVariantMap> none;
        QTest::addRow("xml") << std::optional(xcode);
        QTest::addRow("binary") << std::optional(
            QVariantMap{{"CFBundleIdentifier", QStringLiteral("com.apple.dt.Xcode")},
                        {"Count", qint64(42)},
                        {"List", QVariantList{true}}});
        QTest::addRow("nested-values")
            << std::optional(QVariantMap{{"a", QVariantList{qint64(-3), 1.5, false}},
                                         {"d", QVariantMap{{"s", QStringLiteral("café")}}},
                                         {"b", QByteArray("\x00\x01\x02", 3)}});
        QTest::addRow("array-at-the-top") << none;
        QTest::addRow("truncated-xml") << none;
        // Found by fuzzing: libplist asserted on reading the key, aborting the app.
        QTest::addRow("binary-nul-inside-a-key") << std::optional(
            QVariantMap{{"CFBundleIdentifier", QStringLiteral("id")}, {"a", QStringLiteral("x")}});
        QTest::addRow("truncated-binary") << none;
        // A directory cannot be opened as a file; opening a FIFO waits for a writer that never
        // comes.
        QTest::addRow("directory") << none;
        QTest::addRow("fifo") << none;
    }

    void readsDictionary() {
        QFETCH(std::optional<QVariantMap>, expected);
        TestEnvironment env;
        const QString sample = QString::fromLatin1(QTest::currentDataTag());
        const QString path = sample == u"directory" ? env.path()
                             : sample == u"fifo"    ? env.makeFifo(QStringLiteral("Info.plist"))
                                                 : TestData::path("platform/" + sample + ".plist");
        QFuture<std::optional<QVariantMap>> reading =
            QtConcurrent::run(&PropertyList::readDictionary, path);
        const bool finished = QTest::qWaitFor([&] { return reading.isFinished(); }, 5000);
        if (!finished)
            TestEnvironment::releaseFifoReader(path);
        QVERIFY2(finished, "the read blocked");
        QCOMPARE(reading.result(), expected);
    }
};

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_PropertyList.moc"
