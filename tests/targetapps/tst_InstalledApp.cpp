#include "targetapps/InstalledApp.h"

#include <QSet>
#include <QTest>

using Apps = QList<InstalledApp>;

class tst_InstalledApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void equalityIgnoresTheIcon();
    void parse_data();
    void parse();
};

void tst_InstalledApp::equalityIgnoresTheIcon()
{
    InstalledApp plain(QStringLiteral("Maps"), QStringLiteral("com.example.maps"));
    InstalledApp withIcon = plain;
    QImage icon(4, 4, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    withIcon.setIcon(icon);
    QCOMPARE(plain, withIcon);
    QCOMPARE(qHash(plain), qHash(withIcon));
    QCOMPARE((QSet<InstalledApp>{plain, withIcon}).size(), 1);

    QVERIFY(plain != InstalledApp(QStringLiteral("Maps"), QStringLiteral("com.example.maps"),
                                  QStringLiteral("2.0")));
    QVERIFY(plain != InstalledApp(QStringLiteral("Maps"), QStringLiteral("com.example.maps"),
                                  QStringLiteral("1.0"), QStringLiteral("1"),
                                  QStringLiteral("file:///a")));
}

void tst_InstalledApp::parse_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<Apps>("expected");

    QTest::addRow("full record") << QByteArray(R"({"result": {"apps": [
        {"name": "Maps", "bundleIdentifier": "com.example.maps", "version": "3.2",
         "bundleVersion": "120", "url": "file:///private/var/Maps.app/", "hidden": false}
    ]}, "info": {"outcome": "success"}})")
                                 << Apps{InstalledApp("Maps", "com.example.maps", "3.2", "120",
                                                      "file:///private/var/Maps.app/")};
    QTest::addRow("defaults") << QByteArray(R"({"result": {"apps": [
        {"name": "Notes", "bundleIdentifier": "com.example.notes"},
        {"name": "Mail", "bundleIdentifier": "com.example.mail", "version": null}
    ]}})")
                              << Apps{InstalledApp("Mail", "com.example.mail", "1.0", "1", ""),
                                      InstalledApp("Notes", "com.example.notes", "1.0", "1", "")};
    QTest::addRow("nameless records skipped") << QByteArray(R"({"result": {"apps": [
        {"bundleIdentifier": "com.example.daemon"},
        {"name": "", "bundleIdentifier": "com.example.empty"},
        {"name": "Clock", "bundleIdentifier": "com.example.clock"}
    ]}})") << Apps{InstalledApp("Clock", "com.example.clock")};
    QTest::addRow("stable case-insensitive sort")
        << QByteArray(R"({"result": {"apps": [
        {"name": "beta", "bundleIdentifier": "b"},
        {"name": "Alpha", "bundleIdentifier": "A"},
        {"name": "alpha", "bundleIdentifier": "a"}
    ]}})")
        << Apps{InstalledApp("Alpha", "A"), InstalledApp("alpha", "a"), InstalledApp("beta", "b")};
    QTest::addRow("no apps") << QByteArray(R"({"result": {"apps": []}})") << Apps{};

    // Whatever fails to decode gives an empty list.
    QTest::addRow("missing bundle identifier") << QByteArray(R"({"result": {"apps": [
        {"name": "Maps", "bundleIdentifier": "com.example.maps"},
        {"name": "Ghost"}
    ]}})") << Apps{};
    QTest::addRow("bad entry after a nameless one") << QByteArray(R"({"result": {"apps": [
        {"bundleIdentifier": "x"}, {"name": "Maps", "bundleIdentifier": 7}
    ]}})") << Apps{};
    QTest::addRow("name of wrong type")
        << QByteArray(R"({"result": {"apps": [{"name": 3, "bundleIdentifier": "x"}]}})") << Apps{};
    QTest::addRow("apps not an array")
        << QByteArray(R"({"result": {"apps": {"name": "Maps"}}})") << Apps{};
    QTest::addRow("missing result") << QByteArray(R"({"apps": []})") << Apps{};
    QTest::addRow("not JSON") << QByteArray("devicectl: error") << Apps{};
    QTest::addRow("empty") << QByteArray() << Apps{};
    QTest::addRow("top-level array") << QByteArray("[]") << Apps{};
}

void tst_InstalledApp::parse()
{
    QFETCH(QByteArray, json);
    QFETCH(Apps, expected);
    const Apps actual = parseInstalledApps(json);
    QCOMPARE(actual, expected);
    for (const InstalledApp& app : actual)
        QVERIFY(app.icon().isNull());
}

QTEST_GUILESS_MAIN(tst_InstalledApp)
#include "tst_InstalledApp.moc"
