#include "TestData.h"

#include "targetapps/InstalledApp.h"

#include <QSet>
#include <QTest>

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

    // `devicectl device info apps --json-output` samples: each app as
    // "name|bundle identifier|version|bundle version|url"; whatever fails to decode gives none.
    void parse_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");
        const QHash<QString, QStringList> apps{
            {"devicectl-own-output.json",
             {"Shop|com.example.shop|3.2.0|412|"
              "file:///private/var/containers/Bundle/Application/4F1E2D3C/Shop.app/"}},
            {"defaults.json", {"Mail|com.example.mail|1.0|1|", "Notes|com.example.notes|1.0|1|"}},
            {"nameless-records-skipped.json", {"Clock|com.example.clock|1.0|1|"}},
        };
        for (const QString& name : TestData::files(QStringLiteral("targetapps/apps")))
            QTest::addRow("%s", qPrintable(name))
                << TestData::read(QStringLiteral("targetapps/apps/") + name) << apps.value(name);
    }
    void parse() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        QStringList actual;
        for (const InstalledApp& app : parseInstalledApps(json)) {
            actual.append(QStringList{app.name(), app.bundleIdentifier(), app.version(),
                                      app.bundleVersion(), app.url()}
                              .join(u'|'));
            QVERIFY(app.icon().isNull());
        }
        QCOMPARE(actual, expected);
    }
};

QTEST_GUILESS_MAIN(tst_InstalledApp)
#include "tst_InstalledApp.moc"
