#include "targetapps/InstalledApp.h"

#include <QSet>
#include <QTest>

using Apps = QList<InstalledApp>;

class tst_InstalledApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void equalityIgnoresTheIcon() {
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
    }

    void parse_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Apps>("expected");

        // Shaped like `devicectl device info apps --json-output`.
        QTest::addRow("devicectl's own output")
            << QByteArray(R"({
      "info" : { "commandType" : "devicectl.device.info.apps", "outcome" : "success" },
      "result" : {
        "apps" : [ { "appClip" : false, "bundleIdentifier" : "com.example.shop",
            "bundleVersion" : "412", "hidden" : false, "name" : "Shop",
            "url" : "file:\/\/\/private\/var\/containers\/Bundle\/Application\/4F1E2D3C\/Shop.app\/",
            "version" : "3.2.0" } ],
        "matchingBundleIdentifier" : null
      }
    })")
            << Apps{InstalledApp(
                   "Shop", "com.example.shop", "3.2.0", "412",
                   "file:///private/var/containers/Bundle/Application/4F1E2D3C/Shop.app/")};
        QTest::addRow("defaults") << QByteArray(R"({"result": {"apps": [
            {"name": "Notes", "bundleIdentifier": "com.example.notes"},
            {"name": "Mail", "bundleIdentifier": "com.example.mail", "version": null}
        ]}})")
                                  << Apps{InstalledApp("Mail", "com.example.mail", "1.0", "1", ""),
                                          InstalledApp("Notes", "com.example.notes", "1.0", "1",
                                                       "")};
        QTest::addRow("nameless records skipped") << QByteArray(R"({"result": {"apps": [
            {"bundleIdentifier": "com.example.daemon"},
            {"name": "", "bundleIdentifier": "com.example.empty"},
            {"name": "Clock", "bundleIdentifier": "com.example.clock"}
        ]}})") << Apps{InstalledApp("Clock", "com.example.clock")};

        // Whatever fails to decode gives an empty list.
        QTest::addRow("missing bundle identifier") << QByteArray(R"({"result": {"apps": [
            {"name": "Maps", "bundleIdentifier": "com.example.maps"},
            {"name": "Ghost"}
        ]}})") << Apps{};
        QTest::addRow("bad entry after a nameless one") << QByteArray(R"({"result": {"apps": [
            {"bundleIdentifier": "x"}, {"name": "Maps", "bundleIdentifier": 7}
        ]}})") << Apps{};
        QTest::addRow("not JSON") << QByteArray("devicectl: error") << Apps{};
    }
    void parse() {
        QFETCH(QByteArray, json);
        QFETCH(Apps, expected);
        const Apps actual = parseInstalledApps(json);
        QCOMPARE(actual, expected);
        for (const InstalledApp& app : actual)
            QVERIFY(app.icon().isNull());
    }
};

QTEST_GUILESS_MAIN(tst_InstalledApp)
#include "tst_InstalledApp.moc"
