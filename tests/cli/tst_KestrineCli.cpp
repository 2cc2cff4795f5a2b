#include "DeviceFixtures.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "StoreBuilders.h"
#include "TestEnvironment.h"
#include "store/PersistentContainer.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using Tool = FakeXcode::Tool;

// The command-line tool as a user runs it: a process without a display, over the store and
// settings of a temporary home, against the stand-in Xcode and adb.
class tst_KestrineCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commands_data();
    void commands();
};

namespace {

const QString shopId = QStringLiteral("11111111-1111-4111-8111-111111111111");
const QString travelId = QStringLiteral("22222222-2222-4222-8222-222222222222");
const QString otherTravelId = QStringLiteral("33333333-3333-4333-8333-333333333333");

// How a row prepares the machine: Xcode and adb chosen in the app's settings, given on the
// command line only (this machine's adb on PATH must not win), neither set anywhere (no adb on
// PATH either), or a store file that is not a database.
enum class Setup { Settings, Given, Nothing, CorruptStore };

struct Cli {
    Cli() {
        QDir(env.path()).mkpath(QStringLiteral("data/Kestrine/Kestrine"));
        xcode.setScenario(Tool::Simctl,
                          {.standardOutput = DeviceFixtures::simctlJson(
                               {{"iOS-17-2", {"S1|iPhone 15|Shutdown", "S2|iPad Air|Booted"}}})},
                          QStringLiteral("list devices"));
        xcode.setScenario(Tool::Devicectl,
                          {.file = DeviceFixtures::devicectlJson({"P1|Phone|booted"})},
                          QStringLiteral("list devices"));
    }
    [[nodiscard]] QString storePath() const {
        return env.filePath(QStringLiteral("data/Kestrine/Kestrine/Kestrine.sqlite"));
    }
    // Shop (pinned, newest deeplink first), two collections named Travel, and an empty one.
    void fillStore() const {
        PersistentContainer container(storePath());
        QVERIFY(!container.loadPersistentStores());
        ManagedObjectContext& context = *container.viewContext();
        using namespace StoreBuilders;
        DeeplinkCollection* shop = addCollection(context, QStringLiteral("Shop"), true, 1);
        shop->setUid(QUuid::fromString(shopId));
        addDeeplink(context, shop, QStringLiteral("Cart"), QStringLiteral("shop://cart"), 1);
        addDeeplink(context, shop, QStringLiteral("Checkout"),
                    QStringLiteral("shop://checkout?a=1&b=\"x\""), 3);
        addDeeplink(context, shop, QStringLiteral("Home"), QStringLiteral("shop://"), 2);
        addCollection(context, QStringLiteral("Travel"), false, 5)
            ->setUid(QUuid::fromString(travelId));
        addCollection(context, QStringLiteral("Travel"), false, 4)
            ->setUid(QUuid::fromString(otherTravelId));
        addCollection(context, QStringLiteral("Empty"), false, std::nullopt)
            ->setUid(QUuid::fromString(QStringLiteral("44444444-4444-4444-8444-444444444444")));
        QVERIFY(context.save());
    }
    void run(QStringList arguments, Setup setup) {
        for (QString& argument : arguments) {
            argument.replace(QStringLiteral("XCODE"), xcode.path());
            argument.replace(QStringLiteral("ADB"), adb.adbPath());
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ANDROID_HOME", "ANDROID_SDK_ROOT"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), env.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           env.filePath(QStringLiteral("settings")));
        // Without the directories that hold an adb (the stand-in tools need the rest).
        if (setup == Setup::Nothing) {
            QStringList path = environment.value(QStringLiteral("PATH")).split(u':');
            path.removeIf([](const QString& directory) {
                return AdbLocator::isProgram(directory + QStringLiteral("/adb"));
            });
            environment.insert(QStringLiteral("PATH"), path.join(u':'));
        }
        environment.remove(QStringLiteral("KESTRINE_LOG"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTRINE_CLI_EXECUTABLE), arguments);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        exitCode = process.exitCode();
        standardOutput = QString::fromUtf8(process.readAllStandardOutput());
        standardError = QString::fromUtf8(process.readAllStandardError());
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    FakeAdb adb{env.path(), true};
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
};

} // namespace

void tst_KestrineCli::commands_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("standardOutput");    // exact, unless it starts with "~" (contains)
    QTest::addColumn<QStringList>("standardError"); // each contained

    const auto lines = [](const QStringList& list) { return list.join(u'\n') + u'\n'; };
    const QString destinations = lines({
        "* P1\tPhone\tiOS Device\tBooted\tiOS 17.4",
        "* S2\tiPad Air\tiOS Simulator\tBooted\tiOS 17.2",
        "* S1\tiPhone 15\tiOS Simulator\tShutdown\tiOS 17.2",
        "* R5CT1234567\tSM A546B\tAndroid Device\tBooted\tAndroid 13",
        "  0A1B2C3D4E5F6789\t0A1B2C3D4E5F6789\tAndroid Device\tUnavailable\tAndroid\t"
        "unauthorized: allow USB debugging on the phone",
        "* emulator-5554\tPixel 7 API 34\tAndroid Emulator\tBooted\tAndroid 14",
    });
    const QString usage = QStringLiteral("Try 'kestrine-cli --help'.");

    QTest::newRow("help") << Setup::Settings << QStringList{"--help"} << 0
                          << "~4  the store cannot be opened" << QStringList{};
    QTest::newRow("command help") << Setup::Settings << QStringList{"deeplinks", "-h"} << 0
                                  << "~Usage: kestrine-cli deeplinks COLLECTION" << QStringList{};
    QTest::newRow("version") << Setup::Settings << QStringList{"--version"} << 0
                             << QStringLiteral("kestrine-cli " KESTRINE_VERSION "\n")
                             << QStringList{};
    QTest::newRow("destinations from the settings")
        << Setup::Settings << QStringList{"destinations"} << 0 << destinations << QStringList{};
    QTest::newRow("destinations given, after the command")
        << Setup::Given << QStringList{"destinations", "--xcode", "XCODE", "--adb", "ADB"} << 0
        << destinations << QStringList{};
    QTest::newRow("destinations as JSON")
        << Setup::Given << QStringList{"--xcode", "XCODE", "--adb", "ADB", "destinations", "--json"}
        << 0
        << lines({
               R"({)",
               R"(  "destinations": [)",
               R"(    {"id": "P1", "name": "Phone", "kind": "iOS Device", "state": "Booted", )"
               R"("osVersion": "iOS 17.4", "usable": true, "reason": null},)",
               R"(    {"id": "S2", "name": "iPad Air", "kind": "iOS Simulator", "state": "Booted", )"
               R"("osVersion": "iOS 17.2", "usable": true, "reason": null},)",
               R"(    {"id": "S1", "name": "iPhone 15", "kind": "iOS Simulator", )"
               R"("state": "Shutdown", "osVersion": "iOS 17.2", "usable": true, "reason": null},)",
               R"(    {"id": "R5CT1234567", "name": "SM A546B", "kind": "Android Device", )"
               R"("state": "Booted", "osVersion": "Android 13", "usable": true, "reason": null},)",
               R"(    {"id": "0A1B2C3D4E5F6789", "name": "0A1B2C3D4E5F6789", )"
               R"("kind": "Android Device", "state": "Unavailable", "osVersion": "Android", )"
               R"("usable": false, "reason": "unauthorized: allow USB debugging on the phone"},)",
               R"(    {"id": "emulator-5554", "name": "Pixel 7 API 34", "kind": "Android Emulator", )"
               R"("state": "Booted", "osVersion": "Android 14", "usable": true, "reason": null})",
               R"(  ])",
               R"(})",
           })
        << QStringList{};
    QTest::newRow("no Xcode and no adb") << Setup::Nothing << QStringList{"destinations"} << 3
                                         << QString() << QStringList{"no Xcode and no adb"};
    QTest::newRow("collections, pinned first, newest first")
        << Setup::Settings << QStringList{"collections"} << 0
        << lines({shopId + "\tShop\t3\tpinned", travelId + "\tTravel\t0",
                  otherTravelId + "\tTravel\t0", "44444444-4444-4444-8444-444444444444\tEmpty\t0"})
        << QStringList{};
    QTest::newRow("collections as JSON")
        << Setup::Settings << QStringList{"collections", "--json"} << 0
        << lines({
               R"({)",
               R"(  "collections": [)",
               R"(    {"id": ")" + shopId +
                   R"(", "name": "Shop", "emoji": null, "pinned": true, "deeplinks": 3},)",
               R"(    {"id": ")" + travelId +
                   R"(", "name": "Travel", "emoji": null, "pinned": false, "deeplinks": 0},)",
               R"(    {"id": ")" + otherTravelId +
                   R"(", "name": "Travel", "emoji": null, "pinned": false, "deeplinks": 0},)",
               R"(    {"id": "44444444-4444-4444-8444-444444444444", "name": "Empty", )"
               R"("emoji": null, "pinned": false, "deeplinks": 0})",
               R"(  ])",
               R"(})",
           })
        << QStringList{};
    QTest::newRow("deeplinks by name, newest first")
        << Setup::Settings << QStringList{"deeplinks", "Shop"} << 0
        << lines({"Checkout\tshop://checkout?a=1&b=\"x\"", "Home\tshop://", "Cart\tshop://cart"})
        << QStringList{};
    QTest::newRow("deeplinks by id as JSON")
        << Setup::Settings << QStringList{"deeplinks", "{" + shopId.toUpper() + "}", "--json"} << 0
        << lines({
               R"({)",
               R"(  "collectionId": ")" + shopId + R"(",)",
               R"(  "collection": "Shop",)",
               R"(  "deeplinks": [)",
               R"(    {"title": "Checkout", "url": "shop://checkout?a=1&b=\"x\""},)",
               R"(    {"title": "Home", "url": "shop://"},)",
               R"(    {"title": "Cart", "url": "shop://cart"})",
               R"(  ])",
               R"(})",
           })
        << QStringList{};
    QTest::newRow("one Travel by id")
        << Setup::Settings << QStringList{"deeplinks", otherTravelId, "--json"} << 0
        << lines({R"({)", R"(  "collectionId": ")" + otherTravelId + R"(",)",
                  R"(  "collection": "Travel",)", R"(  "deeplinks": [])", R"(})"})
        << QStringList{};
    QTest::newRow("ambiguous name")
        << Setup::Settings << QStringList{"deeplinks", "Travel"} << 2 << QString()
        << QStringList{"several collections are named \"Travel\"", "\n  " + travelId + "\tTravel",
                       "\n  " + otherTravelId + "\tTravel", usage};
    QTest::newRow("no such collection")
        << Setup::Settings << QStringList{"deeplinks", "shop"} << 2 << QString()
        << QStringList{"no collection named or with the id \"shop\"", usage};
    QTest::newRow("no collection given")
        << Setup::Settings << QStringList{"deeplinks"} << 2 << QString() << QStringList{usage};
    QTest::newRow("unknown command") << Setup::Settings << QStringList{"fire"} << 2 << QString()
                                     << QStringList{"unknown command \"fire\"", usage};
    QTest::newRow("unknown option") << Setup::Settings << QStringList{"collections", "--all"} << 2
                                    << QString() << QStringList{"'all'", usage};
    QTest::newRow("unknown global option") << Setup::Settings << QStringList{"--yes", "collections"}
                                           << 2 << QString() << QStringList{"'yes'", usage};
    QTest::newRow("corrupt store") << Setup::CorruptStore << QStringList{"collections"} << 4
                                   << QString() << QStringList{"the store cannot be opened"};
}

void tst_KestrineCli::commands() {
    QFETCH(Setup, setup);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, standardOutput);
    QFETCH(QStringList, standardError);

    Cli cli;
    QByteArray corrupt;
    if (setup == Setup::CorruptStore) {
        corrupt = QByteArray("not a database\n").repeated(300);
        QFile file(cli.storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(corrupt);
    } else {
        cli.fillStore();
    }
    if (setup == Setup::Settings) {
        XcodeBookmarkManager().saveBookmark(cli.xcode.url());
        AdbLocator::adbPathSetting().setValue(cli.adb.adbPath());
    }
    const QUrl savedXcode = XcodeBookmarkManager().xcodeURL();

    cli.run(arguments, setup);
    QCOMPARE(cli.exitCode, exitCode);
    if (standardOutput.startsWith(u'~'))
        QVERIFY2(cli.standardOutput.contains(standardOutput.mid(1)),
                 qPrintable(cli.standardOutput));
    else
        QCOMPARE(cli.standardOutput, standardOutput);
    for (const QString& text : standardError)
        QVERIFY2(cli.standardError.contains(text), qPrintable(cli.standardError));
    // Standard error is the tool's own: no log lines among its messages.
    QVERIFY2(!cli.standardError.contains(u"kestrine Kestrine ["), qPrintable(cli.standardError));
    // Options of one run are never remembered.
    QCOMPARE(XcodeBookmarkManager().xcodeURL(), savedXcode);
    QCOMPARE(AdbLocator::adbPathSetting().value(),
             setup == Setup::Settings ? cli.adb.adbPath() : QString());
    QCOMPARE(savedXcode.isEmpty(), setup != Setup::Settings);
    if (setup == Setup::CorruptStore) {
        QFile file(cli.storePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), corrupt);
    }
}

QTEST_GUILESS_MAIN(tst_KestrineCli)
#include "tst_KestrineCli.moc"
