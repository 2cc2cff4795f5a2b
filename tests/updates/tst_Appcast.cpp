#include "TestData.h"
#include "updates/Appcast.h"
#include "updates/VersionComparator.h"

#include <QTest>

namespace {

const QUrl feedURL(QStringLiteral("https://kestrine.app/updates/appcast.xml"));

Result<Appcast> parse(const QString& sample) {
    return Appcast::parse(TestData::read("updates/" + sample + ".xml"), feedURL);
}

} // namespace

class tst_Appcast : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesFeed_data() {
        QTest::addColumn<QString>("read"); // per item "version|display version|download|notes|
                                           // notes link|minimum system|title", or "error: …"
        const auto add = [](const char* sample, const QString& read) {
            QTest::addRow("%s", sample) << read;
        };
        add("every-field", "210|2.1|https://kestrine.app/Kestrine-2.1.zip|<h2>New</h2><ul><li>"
                           "Faster & lighter</li></ul>|https://kestrine.app/notes/2.1.html|13.0|"
                           "Version 2.1 (Flocking)\nskipped 0");
        // As older feeds have them.
        add("versions-on-enclosure", "31|3.1|https://x.test/K.zip||||\nskipped 0");
        add("link-without-enclosure", "4.0|4.0|https://kestrine.app/download||||\nskipped 0");
        add("relative-enclosure", "5|5|https://kestrine.app/updates/K-5.zip||||\nskipped 0");
        add("unknown-elements-and-markup", "8|8|https://x.test/8.zip|unescaped HTML|||\nskipped 0");
        const QString onlyRelease = QStringLiteral("1.1|1.1|https://x.test/1.1.zip||||\nskipped 1");
        add("item-without-version", onlyRelease);
        add("enclosure-not-https", "1.1|1.1|https://x.test/1.1.zip||||\nskipped 2");
        add("script-link", onlyRelease);
        // The link is dropped, the item kept.
        add("notes-link-not-on-the-web", "3|3|https://x.test/3.zip||||\nskipped 0");
        add("items-outside-channel", "1.0|1.0|https://x.test/1.0.zip||||\nskipped 0");
        add("html-error-page", "error: not an RSS");
        add("truncated", "error: not well-formed");
        add("no-channel", "error: no channel");
        add("no-usable-item", "error: None of the 2 items");
        // Refused before any entity is expanded, also when each one stays under Qt's own limit.
        add("entity-expansion-bomb", "error: document type declaration");
        add("entity-expansion-wide", "error: document type declaration");
    }

    void parsesFeed() {
        QFETCH(QString, read);
        const Result<Appcast> appcast = parse(QString::fromLatin1(QTest::currentDataTag()));
        if (read.startsWith(u"error: ")) {
            QVERIFY(!appcast);
            QVERIFY2(appcast.error().contains(read.mid(7)), qPrintable(appcast.error()));
            return;
        }
        QVERIFY2(appcast, qPrintable(appcast ? QString() : appcast.error()));
        QStringList lines;
        for (const AppcastItem& item : appcast->items())
            lines.append(QStringList{
                item.version, item.displayVersion(), item.downloadURL.toString(), item.releaseNotes,
                item.releaseNotesURL.toString(), item.minimumSystemVersion, item.title}
                             .join(u'|'));
        lines.append(QStringLiteral("skipped %1").arg(appcast->skippedItemCount()));
        QCOMPARE(lines.join(u'\n'), read);
    }

    void picksNewestItemTheSystemRuns() {
        const Result<Appcast> appcast = parse(QStringLiteral("newest-needs-newer-system"));
        QVERIFY(appcast);
        QCOMPARE(appcast->newestItem(QStringLiteral("14.2")).value_or(AppcastItem()).version,
                 u"4.0");
        QCOMPARE(appcast->newestItem(QStringLiteral("15.0")).value_or(AppcastItem()).version,
                 u"5.0");
    }

    void ordersVersions_data() {
        // `lhs` is older than (-1), the same as (0) or newer than (1) `rhs`.
        QTest::addColumn<QString>("lhs");
        QTest::addColumn<QString>("rhs");
        QTest::addColumn<int>("order");
        const auto add = [](const char* name, const char* lhs, const char* rhs, int order) {
            QTest::addRow("%s", name) << QString(lhs) << QString(rhs) << order;
        };
        add("numeric, not string order", "1.9", "1.10", -1);
        add("extra part", "1.0.1", "1.0", 1);
        add("beyond 64 bits", "1.18446744073709551616", "1.18446744073709551615", 1);
        add("beta before its release", "1.0b1", "1.0", -1);
        add("alpha before beta", "2.0a3", "2.0b1", -1);
        add("patch beats beta", "1.0.1", "1.0b1", 1);
        add("trailing zeros", "2", "2.0.0", 0);
        add("leading zeros", "1.01", "1.1", 0);
        add("letter case", "1.0B1", "1.0b1", 0);
    }

    void ordersVersions() {
        QFETCH(QString, lhs);
        QFETCH(QString, rhs);
        QFETCH(int, order);
        const auto sign = [](std::weak_ordering o) { return o < 0 ? -1 : o > 0 ? 1 : 0; };
        QCOMPARE(sign(VersionComparator::compare(lhs, rhs)), order);
        QCOMPARE(sign(VersionComparator::compare(rhs, lhs)), -order);
    }
};

QTEST_APPLESS_MAIN(tst_Appcast)
#include "tst_Appcast.moc"
