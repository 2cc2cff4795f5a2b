#include "FeedServer.h"
#include "updates/Appcast.h"
#include "updates/VersionComparator.h"

#include <QTest>

namespace {

using FeedXml::feed;
using FeedXml::item;

const QUrl feedURL(QStringLiteral("https://kestrine.app/updates/appcast.xml"));

// "version|display version|download|notes|notes link|minimum system|title"
QString describe(const AppcastItem& item) {
    return QStringList{
        item.version,      item.displayVersion(),           item.downloadURL.toString(),
        item.releaseNotes, item.releaseNotesURL.toString(), item.minimumSystemVersion,
        item.title}
        .join(u'|');
}

} // namespace

class tst_Appcast : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsItemShapes_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("item"); // as describe() puts it

        QTest::addRow("every field")
            << feed(R"(
        <item>
          <title>Version 2.1 (Flocking)</title>
          <pubDate>Mon, 05 Feb 2024 10:00:00 +0000</pubDate>
          <sparkle:version>210</sparkle:version>
          <sparkle:shortVersionString>2.1</sparkle:shortVersionString>
          <sparkle:minimumSystemVersion>13.0</sparkle:minimumSystemVersion>
          <sparkle:releaseNotesLink>https://kestrine.app/notes/2.1.html</sparkle:releaseNotesLink>
          <description><![CDATA[<h2>New</h2><ul><li>Faster & lighter</li></ul>]]></description>
          <enclosure url="https://kestrine.app/Kestrine-2.1.zip" length="4096"
                     type="application/octet-stream" sparkle:edSignature="abc=="/>
        </item>)")
            << "210|2.1|https://kestrine.app/Kestrine-2.1.zip|<h2>New</h2><ul><li>Faster & "
               "lighter</li></ul>|https://kestrine.app/notes/2.1.html|13.0|Version 2.1 "
               "(Flocking)";
        QTest::addRow("versions on the enclosure, as older feeds have them")
            << feed(R"(<item><enclosure url="https://x.test/K.zip" sparkle:version="31"
                       sparkle:shortVersionString="3.1"/></item>)")
            << "31|3.1|https://x.test/K.zip||||";
        QTest::addRow("link when there is no enclosure")
            << feed(R"(<item><sparkle:version>4.0</sparkle:version>
                       <link>https://kestrine.app/download</link></item>)")
            << "4.0|4.0|https://kestrine.app/download||||";
        QTest::addRow("relative enclosure resolved against the feed")
            << feed(
                   R"(<item><sparkle:version>5</sparkle:version><enclosure url="K-5.zip"/></item>)")
            << "5|5|https://kestrine.app/updates/K-5.zip||||";
        QTest::addRow("unknown elements and markup in the notes")
            << feed(R"(<item><dc:creator>Kestrine</dc:creator><sparkle:version>8</sparkle:version>
                       <description><p>unescaped <b>HTML</b></p></description>
                       <sparkle:deltas><enclosure url="https://x.test/delta.zip"/></sparkle:deltas>
                       <enclosure url="https://x.test/8.zip"/></item>)")
            << "8|8|https://x.test/8.zip|unescaped HTML|||";
    }

    void readsItemShapes() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, item);

        const Result<Appcast> appcast = Appcast::parse(xml, feedURL);
        QVERIFY2(appcast, qPrintable(appcast ? QString() : appcast.error()));
        QCOMPARE(appcast->items().size(), 1);
        QCOMPARE(describe(appcast->items().first()), item);
    }

    void leavesOutUnusableItems_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<int>("skipped");

        QTest::addRow("item without a version")
            << feed(
                   R"(<item><title>Mystery</title><enclosure url="https://x.test/m.zip"/></item>)" +
                   item("1.1"))
            << QStringList{"1.1"} << 1;
        QTest::addRow("file enclosure")
            << feed(item("2.0", "file:///etc/passwd") + item("1.1")) << QStringList{"1.1"} << 1;
        QTest::addRow("script link")
            << feed("<item><sparkle:version>2.0</sparkle:version><link>javascript:alert(1)</link>"
                    "</item>" +
                    item("1.1"))
            << QStringList{"1.1"} << 1;
        QTest::addRow("notes link that is not a web address is dropped, item kept")
            << feed("<item><sparkle:version>3</sparkle:version><sparkle:releaseNotesLink>"
                    "file:///etc/hosts</sparkle:releaseNotesLink>"
                    "<enclosure url=\"https://x.test/3.zip\"/></item>")
            << QStringList{"3"} << 0;
        QTest::addRow("items outside the channel are ignored")
            << QByteArray(
                   "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">" +
                   item("9.0") + "<channel>" + item("1.0") + "</channel>" + item("9.1") + "</rss>")
            << QStringList{"1.0"} << 0;
    }

    void leavesOutUnusableItems() {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, versions);
        QFETCH(int, skipped);

        const Result<Appcast> appcast = Appcast::parse(xml, feedURL);
        QVERIFY2(appcast, qPrintable(appcast ? QString() : appcast.error()));
        QStringList read;
        for (const AppcastItem& entry : appcast->items()) {
            read.append(entry.version);
            QVERIFY(entry.releaseNotesURL.isEmpty() || entry.releaseNotesURL.scheme() == "https");
        }
        QCOMPARE(read, versions);
        QCOMPARE(appcast->skippedItemCount(), skipped);
    }

    void rejectsMalformedFeeds_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");

        QTest::addRow("HTML error page")
            << QByteArray("<html><body><h1>502 Bad Gateway</h1></body></html>") << "not an RSS";
        QTest::addRow("truncated")
            << feed(item("1.0") + item("1.1")).left(300) << "not well-formed";
        QTest::addRow("no channel") << QByteArray("<rss version=\"2.0\"></rss>") << "no channel";
        QTest::addRow("items, none usable")
            << feed("<item><title>1</title></item><item><title>2</title></item>")
            << "None of the 2 items";
        QTest::addRow("entity expansion bomb") << QByteArray(R"(<?xml version="1.0"?>
    <!DOCTYPE rss [
     <!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">
     <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
     <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
     <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">
     <!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
     <!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;">
    ]>
    <rss><channel><title>&f;</title></channel></rss>)")
                                               << "not well-formed";
    }

    void rejectsMalformedFeeds() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);

        const Result<Appcast> appcast = Appcast::parse(xml, feedURL);
        QVERIFY(!appcast);
        QVERIFY2(appcast.error().contains(error), qPrintable(appcast.error()));
    }

    void picksNewestItem() {
        const Result<Appcast> appcast = Appcast::parse(
            feed("<item><sparkle:version>5.0</sparkle:version><sparkle:minimumSystemVersion>15.0"
                 "</sparkle:minimumSystemVersion><enclosure url=\"https://x.test/5.zip\"/></item>" +
                 item("4.0")),
            feedURL);
        QVERIFY2(appcast, qPrintable(appcast ? QString() : appcast.error()));
        // The newest release needs a newer system than 14.2.
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
