#include "TestEnvironment.h"

#include "toolchain/AdbLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

class tst_AdbLocator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsTheFirstProgram_data() {
        // "place:kind": what lies where a candidate is looked for. Places: setting, ANDROID_HOME,
        // ANDROID_SDK_ROOT, home (the SDK in the home directory), path (the second PATH entry; the
        // first is "earlier"). Kinds: program, file (not executable), dir (a directory named adb).
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QString>("found"); // the place whose adb is found; empty: none

        QTest::addRow("setting first")
            << QStringList{"setting:program", "ANDROID_HOME:program", "path:program"} << "setting";
        QTest::addRow("ANDROID_HOME before ANDROID_SDK_ROOT")
            << QStringList{"ANDROID_HOME:program", "ANDROID_SDK_ROOT:program", "home:program"}
            << "ANDROID_HOME";
        QTest::addRow("ANDROID_SDK_ROOT before the home SDK")
            << QStringList{"ANDROID_SDK_ROOT:program", "home:program", "path:program"}
            << "ANDROID_SDK_ROOT";
        QTest::addRow("home SDK before PATH")
            << QStringList{"home:program", "path:program"} << "home";
        QTest::addRow("PATH, past a directory named adb")
            << QStringList{"earlier:dir", "path:program"} << "path";
        QTest::addRow("non-executable setting and a directory skipped")
            << QStringList{"setting:file", "ANDROID_HOME:dir", "ANDROID_SDK_ROOT:program"}
            << "ANDROID_SDK_ROOT";
        QTest::addRow("nothing") << QStringList{"setting:file", "home:dir", "earlier:file"} << "";
    }

    void findsTheFirstProgram() {
        QFETCH(QStringList, layout);
        QFETCH(QString, found);
        TestEnvironment env; // puts the variables set below back
        const QString root = env.path();
#ifdef Q_OS_MACOS
        const QString home = QDir::homePath() + "/Library/Android/sdk/platform-tools/adb";
#else
        const QString home = QDir::homePath() + "/Android/Sdk/platform-tools/adb";
#endif
        const QMap<QString, QString> places{
            {"setting", root + "/chosen/adb"},
            {"ANDROID_HOME", root + "/android-home/platform-tools/adb"},
            {"ANDROID_SDK_ROOT", root + "/sdk-root/platform-tools/adb"},
            {"home", home},
            {"earlier", root + "/bin-earlier/adb"},
            {"path", root + "/bin/adb"}};
        AdbLocator::adbPathSetting().setValue(places["setting"]);
        qputenv("ANDROID_HOME", (root + "/android-home").toUtf8());
        qputenv("ANDROID_SDK_ROOT", (root + "/sdk-root").toUtf8());
        qputenv("PATH", (root + "/bin-earlier:" + root + "/bin").toUtf8());
        for (const QString& entry : std::as_const(layout)) {
            const QString path = places.value(entry.section(u':', 0, 0));
            const QString kind = entry.section(u':', 1);
            if (kind == u"dir") {
                QVERIFY(QDir().mkpath(path));
                continue;
            }
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n") > 0);
            file.setPermissions(QFile::ReadOwner |
                                (kind == u"program" ? QFile::ExeOwner : QFile::WriteOwner));
        }

        const std::optional<QString> located = AdbLocator::locate();
        QCOMPARE(located, found.isEmpty()
                              ? std::nullopt
                              : std::optional(QFileInfo(places[found]).absoluteFilePath()));
        QCOMPARE(env.messages(QStringLiteral("AdbLocator")),
                 found.isEmpty()
                     ? QStringList{"No adb found in the settings, the Android SDK or PATH"}
                     : QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_AdbLocator)
#include "tst_AdbLocator.moc"
