#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "StoreBuilders.h"
#include "TestEnvironment.h"
#include "destinations/RememberedSelection.h"
#include "platform/AppSettings.h"
#include "store/PersistentContainer.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>

#include <signal.h>

using Tool = FakeXcode::Tool;

// The command-line tool as a user runs it: a process without a display, over the store and
// settings of a temporary home, against the stand-in Xcode and adb.
class tst_KestrineCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commands_data();
    void commands();
    void firing_data();
    void firing();
    void runReports_data();
    void runReports();
    void interrupt_data();
    void interrupt();
    void hostileUrls();
    void runWhileAnotherProcessWrites();
    void exchange();
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
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
    }
    // Starts the tool; XCODE and ADB in `arguments` stand for the stand-ins' paths.
    QProcess* start(QStringList arguments, Setup setup) {
        for (QString& argument : arguments) {
            argument.replace(QStringLiteral("XCODE"), xcode.path());
            argument.replace(QStringLiteral("ADB"), adb.adbPath());
            argument.replace(QStringLiteral("TMP/"), env.path() + u'/');
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ANDROID_HOME",
                                 "ANDROID_SDK_ROOT", "KESTRINE_LOG"})
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
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTRINE_CLI_EXECUTABLE), arguments);
        return &process;
    }
    void finish() {
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        exitCode = process.exitCode();
        standardOutput = QString::fromUtf8(process.readAllStandardOutput());
        standardError = QString::fromUtf8(process.readAllStandardError());
    }
    void run(const QStringList& arguments, Setup setup = Setup::Settings) {
        start(arguments, setup);
        finish();
    }
    // Xcode and adb chosen in the app, as a user who set them up there.
    void chooseTools() const {
        XcodeBookmarkManager().saveBookmark(xcode.url());
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
    }
    // "<tool> <arguments>" of every URL the stand-ins were asked to open, in order.
    [[nodiscard]] QStringList opened() const {
        QStringList calls;
        for (const QString& call : xcode.calls()) {
            if (call.contains(u"openurl") || call.contains(u"process launch"))
                calls.append(call);
        }
        for (const FakeAdb::Invocation& call : adb.invocations()) {
            if (call.arguments.contains(u"'am'"))
                calls.append(QStringLiteral("adb ") + call.arguments.join(u' '));
        }
        return calls;
    }

    QProcess process;
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
                          << "~4    the store cannot be opened (the file is left untouched)"
                          << QStringList{};
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
    QTest::newRow("a tool fails, the others are listed")
        << Setup::Given << QStringList{"destinations", "--xcode", "XCODE", "--adb", "/bin/false"}
        << 3 << "~* S1\tiPhone 15\tiOS Simulator" << QStringList{"kestrine-cli: adb: "};
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
    QTest::newRow("corrupt store, run") << Setup::CorruptStore << QStringList{"run", "Shop"} << 4
                                        << QString() << QStringList{"the store cannot be opened"};
    QTest::newRow("corrupt store, import")
        << Setup::CorruptStore << QStringList{"import", "/nonexistent.json"} << 4 << QString()
        << QStringList{"the store cannot be opened"};
    QTest::newRow("run, ambiguous name")
        << Setup::Settings << QStringList{"run", "Travel"} << 2 << QString()
        << QStringList{"several collections are named"};
    QTest::newRow("open, no URL") << Setup::Settings << QStringList{"open", "not a url"} << 2
                                  << QString() << QStringList{"A URL needs a scheme", usage};
    QTest::newRow("open, a run option")
        << Setup::Settings << QStringList{"open", "shop://", "--junit", "r.xml"} << 2 << QString()
        << QStringList{"'junit'", usage};
    QTest::newRow("run, bad interval")
        << Setup::Settings << QStringList{"run", "Shop", "--interval", "-1"} << 2 << QString()
        << QStringList{"--interval takes seconds from 0 to 86400, not \"-1\""};
    QTest::newRow("open, unusable destination")
        << Setup::Settings << QStringList{"open", "shop://", "--destination", "0A1B2C3D4E5F6789"}
        << 3 << QString() << QStringList{"cannot be used: unauthorized: allow USB debugging"};
    QTest::newRow("open, no such destination")
        << Setup::Settings << QStringList{"open", "shop://", "--destination", "Pixel 9"} << 3
        << QString() << QStringList{"no destination named or with the id \"Pixel 9\""};
    QTest::newRow("open, no tools") << Setup::Nothing << QStringList{"open", "shop://"} << 3
                                    << QString() << QStringList{"no Xcode and no adb"};
    QTest::newRow("export without -o") << Setup::Settings << QStringList{"export", "Shop"} << 2
                                       << QString() << QStringList{"export needs -o PATH"};
    QTest::newRow("export, two files of one name")
        << Setup::Settings << QStringList{"export", travelId, otherTravelId, "-o", "TMP/out"} << 2
        << QString() << QStringList{"would both be written to \"Travel.json\""};
    QTest::newRow("import, missing file")
        << Setup::Settings << QStringList{"import", "/nonexistent/Shop.json"} << 1 << QString()
        << QStringList{"nothing imported"};
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
    if (setup == Setup::Settings)
        cli.chooseTools();
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

void tst_KestrineCli::firing_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("selected"); // the destination selected in the app
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("standardError"); // each contained

    const QString am = "shell 'am' 'start' '-W' '-a' 'android.intent.action.VIEW' '-d' ";
    QTest::newRow("open: the destination selected in the app")
        << Setup::Settings << "S1" << QStringList{"open", "shop://x"} << 0
        << QStringList{"simctl openurl S1 shop://x"} << QStringList{"shop://x \u2026 ok "};
    QTest::newRow("open: else the first booted simulator")
        << Setup::Settings << "gone" << QStringList{"open", "shop://x"} << 0
        << QStringList{"simctl openurl S2 shop://x"} << QStringList{};
    QTest::newRow("open: a destination by name")
        << Setup::Settings << "S2" << QStringList{"open", "shop://x", "--destination", "iPhone 15"}
        << 0 << QStringList{"simctl openurl S1 shop://x"} << QStringList{};
    QTest::newRow("open: without Xcode, the first usable Android destination")
        << Setup::Given << "" << QStringList{"--adb", "ADB", "open", "shop://x"} << 0
        << QStringList{"adb -s R5CT1234567 " + am + "'shop://x'"} << QStringList{};
    QTest::newRow("open: an Android package")
        << Setup::Settings << ""
        << QStringList{"open", "shop://x", "--destination", "emulator-5554", "--app", "com.shop"}
        << 0 << QStringList{"adb -s emulator-5554 " + am + "'shop://x' 'com.shop'"}
        << QStringList{};
    QTest::newRow("open: an app on an iPhone")
        << Setup::Settings << ""
        << QStringList{"open", "shop://x", "--destination", "P1", "--app", "com.shop"} << 0
        << QStringList{"devicectl device process launch --device P1 --payload-url shop://x "
                       "com.shop"}
        << QStringList{};
    QTest::newRow("open: an iPhone without an app")
        << Setup::Settings << "P1" << QStringList{"open", "shop://x"} << 1 << QStringList{}
        << QStringList{"shop://x \u2026 failed: No app selected."};
    QTest::newRow("run: every deeplink in the app's order")
        << Setup::Settings << "" << QStringList{"run", "Shop", "--interval", "0"} << 0
        << QStringList{"simctl openurl S2 shop://checkout?a=1&b=\"x\"", "simctl openurl S2 shop://",
                       "simctl openurl S2 shop://cart"}
        << QStringList{"[1/3] Checkout \u2026 ok ", "[3/3] Cart \u2026 ok ",
                       "Shop: 3 ok, 0 failed, 0 skipped"};
}

void tst_KestrineCli::firing() {
    QFETCH(Setup, setup);
    QFETCH(QString, selected);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, standardError);

    Cli cli;
    cli.fillStore();
    if (setup == Setup::Settings)
        cli.chooseTools();
    if (!selected.isEmpty())
        AppSettings::standard()->setValue(RememberedSelection::destinationIdKey.toString(),
                                          selected);
    cli.run(arguments, setup);
    QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
    QStringList calls = cli.opened();
    // devicectl's own options around the ones asked for.
    for (QString& call : calls)
        call.remove(QRegularExpression(QStringLiteral(" --json-output \\S+| --timeout \\S+")));
    QCOMPARE(calls, opened);
    for (const QString& text : standardError)
        QVERIFY2(cli.standardError.contains(text), qPrintable(cli.standardError));
    QCOMPARE(cli.standardOutput, QString());
}

namespace {

// The parts of a JUnit report a CI server reads, flattened: "suite name tests failures
// skipped", then "case name classname status[: message]" for each testcase.
QStringList readJUnit(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("no report")};
    QXmlStreamReader xml(&file);
    QStringList read;
    while (xml.readNextStartElement()) {
        const QXmlStreamAttributes attributes = xml.attributes();
        const auto value = [&](const char* name) {
            return attributes.value(QLatin1String(name)).toString();
        };
        if (xml.name() == u"testsuites")
            continue;
        if (xml.name() == u"testsuite") {
            read.append(QStringList{"suite", value("name"), value("tests"), value("failures"),
                                    value("skipped")}
                            .join(u' '));
            continue;
        }
        if (xml.name() == u"testcase") {
            bool seconds = false;
            value("time").toDouble(&seconds);
            QString status = seconds ? QStringLiteral("ok") : QStringLiteral("no time");
            while (xml.readNextStartElement()) {
                if (xml.name() == u"failure")
                    status = QStringLiteral("failed: ") +
                             xml.attributes().value(QLatin1String("message")).toString();
                else if (xml.name() == u"skipped")
                    status = QStringLiteral("skipped");
                xml.skipCurrentElement();
            }
            read.append(QStringList{"case", value("name"), value("classname"), status}.join(u' '));
            continue;
        }
        xml.skipCurrentElement();
    }
    if (xml.hasError())
        read.append(QStringLiteral("error: ") + xml.errorString());
    return read;
}

} // namespace

void tst_KestrineCli::runReports_data() {
    QTest::addColumn<bool>("stopOnFailure");
    QTest::addColumn<QStringList>("statuses");
    QTest::newRow("every deeplink") << false << QStringList{"ok", "failed", "ok", "skipped"};
    QTest::newRow("--stop-on-failure") << true << QStringList{"ok", "failed", "skipped", "skipped"};
}

void tst_KestrineCli::runReports() {
    QFETCH(bool, stopOnFailure);
    QFETCH(QStringList, statuses);

    Cli cli;
    cli.fillStore();
    {
        PersistentContainer container(cli.storePath());
        QVERIFY(!container.loadPersistentStores());
        ManagedObjectContext& context = *container.viewContext();
        const QList<DeeplinkCollection*> collections = context.collections();
        const auto shop = std::find_if(collections.cbegin(), collections.cend(), [](auto* c) {
            return c->uid() == QUuid::fromString(shopId);
        });
        QVERIFY(shop != collections.cend());
        StoreBuilders::addDeeplink(context, *shop, QStringLiteral("Draft"), QString(), 0);
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
    }
    cli.chooseTools();
    // Home ("shop://") fails; the newer scenarios let the others through.
    cli.xcode.setScenario(
        Tool::Simctl,
        {.standardError = "Simulator device failed to open shop://.\n", .exitStatus = 1},
        QStringLiteral("openurl S2 shop://"));
    cli.xcode.setScenario(Tool::Simctl, {}, QStringLiteral("checkout"));
    cli.xcode.setScenario(Tool::Simctl, {}, QStringLiteral("cart"));
    QStringList arguments{"run", shopId, "--interval", "0", "--junit", "TMP/report.xml", "--json"};
    if (stopOnFailure)
        arguments.append(QStringLiteral("--stop-on-failure"));
    cli.run(arguments);
    QCOMPARE(cli.exitCode, 1);
    QVERIFY2(cli.standardError.contains(u"[2/4] Home \u2026 failed: Simulator device failed to "
                                        u"open shop://."),
             qPrintable(cli.standardError));

    const QString failure = QStringLiteral("failed: Simulator device failed to open shop://.");
    QStringList expected{QStringLiteral("suite Shop 4 1 %1").arg(statuses.count(u"skipped"))};
    const QStringList titles{"Checkout", "Home", "Cart", "Draft"};
    for (qsizetype i = 0; i < titles.size(); ++i)
        expected.append(QStringList{"case", titles.at(i), "Shop",
                                    statuses.at(i) == u"failed" ? failure : statuses.at(i)}
                            .join(u' '));
    QCOMPARE(readJUnit(cli.env.filePath(QStringLiteral("report.xml"))), expected);

    const QJsonObject json = QJsonDocument::fromJson(cli.standardOutput.toUtf8()).object();
    QCOMPARE(json.value(u"collection").toString(), QStringLiteral("Shop"));
    QCOMPARE(json.value(u"destinationId").toString(), QStringLiteral("S2"));
    QCOMPARE(json.value(u"failed").toInt(), 1);
    QCOMPARE(json.value(u"interrupted").toBool(true), false);
    QStringList jsonStatuses;
    for (const QJsonValue& result : json.value(u"results").toArray())
        jsonStatuses.append(result.toObject().value(u"status").toString());
    QCOMPARE(jsonStatuses, statuses);
}

void tst_KestrineCli::interrupt_data() {
    QTest::addColumn<bool>("duringRequest");
    QTest::newRow("during the pause") << false;
    QTest::newRow("while the first request is in flight") << true;
}

void tst_KestrineCli::interrupt() {
    QFETCH(bool, duringRequest);
    Cli cli;
    cli.fillStore();
    cli.chooseTools();
    if (duringRequest)
        cli.xcode.setScenario(Tool::Simctl, {.delaySeconds = 2}, QStringLiteral("openurl"));
    QProcess* process = cli.start({"run", "Shop", "--interval", "30", "--junit", "TMP/report.xml"},
                                  Setup::Settings);
    QByteArray progress;
    QTRY_VERIFY_WITH_TIMEOUT(
        process->state() == QProcess::NotRunning ||
            (duringRequest ? cli.opened().size() == 1
                           : (progress += process->readAllStandardError()).contains("[1/3]")),
        20000);
    // Only to the tool while it runs: the id of one that has ended is 0, and kill(0, ...) would
    // reach this whole process group (ctest and whatever started it).
    QVERIFY2(process->state() == QProcess::Running && process->processId() > 0,
             "the run ended before it was interrupted");
    QCOMPARE(::kill(pid_t(process->processId()), SIGINT), 0);
    // The request in flight ends as it would have; the 30 s pause never starts or is cut short.
    QVERIFY(process->waitForFinished(6000));
    cli.finish();
    QCOMPARE(cli.exitCode, 130);
    QVERIFY2(cli.standardError.contains(u"Interrupted: 2 not reached"),
             qPrintable(cli.standardError));
    QCOMPARE(readJUnit(cli.env.filePath(QStringLiteral("report.xml"))),
             (QStringList{"suite Shop 3 0 2", "case Checkout Shop ok", "case Home Shop skipped",
                          "case Cart Shop skipped"}));
}

void tst_KestrineCli::hostileUrls() {
    Cli cli;
    cli.chooseTools();
    // Stored as a collection: the run hands each URL over exactly as stored, and a title no
    // XML may carry still gives a report that parses.
    const QString hostileTitle = QStringLiteral("a\x01<b>&\"\xFFFE");
    {
        PersistentContainer container(cli.storePath());
        QVERIFY(!container.loadPersistentStores());
        ManagedObjectContext& context = *container.viewContext();
        DeeplinkCollection* collection =
            StoreBuilders::addCollection(context, QStringLiteral("Hostile"));
        int newest = 100;
        for (const ExactUrls::Row& row : ExactUrls::rows())
            StoreBuilders::addDeeplink(context, collection, QString::fromLatin1(row.name),
                                       row.exact, newest--);
        StoreBuilders::addDeeplink(context, collection, hostileTitle, QStringLiteral("x://"), 0);
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
    }
    QStringList expected;
    for (const ExactUrls::Row& row : ExactUrls::rows())
        expected.append(QStringLiteral("simctl openurl S2 ") + row.exact);
    cli.run({"run", "Hostile", "--interval", "0", "--junit", "TMP/report.xml"});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.opened().mid(0, expected.size()), expected);
    QCOMPARE(readJUnit(cli.env.filePath(QStringLiteral("report.xml"))).last(),
             QStringLiteral("case a\uFFFD<b>&\"\uFFFD Hostile ok"));

    // Typed on the command line: only what cannot stand in a URL is encoded.
    for (const ExactUrls::Row& row : ExactUrls::rows()) {
        cli.run({"open", row.typed, "--destination", "S2"});
        QVERIFY2(cli.exitCode == 0, row.name);
        QCOMPARE(cli.opened().last(), QStringLiteral("simctl openurl S2 ") + row.exact);
    }
}

void tst_KestrineCli::runWhileAnotherProcessWrites() {
    Cli cli;
    cli.fillStore();
    cli.chooseTools();
    const QString exported = cli.env.filePath(QStringLiteral("shop.json"));
    cli.run({"export", "Shop", "-o", exported});
    QCOMPARE(cli.exitCode, 0);

    // This process plays the app: it keeps saving while the tool runs a collection and then
    // imports; every save of both sides lands.
    PersistentContainer app(cli.storePath());
    QVERIFY(!app.loadPersistentStores());
    ManagedObjectContext& context = *app.viewContext();
    int saves = 0;
    const auto keepWriting = [&](QProcess* process) {
        while (process->state() != QProcess::NotRunning) {
            StoreBuilders::addCollection(context, QStringLiteral("App %1").arg(saves));
            QCOMPARE(context.save(std::chrono::seconds(5)).kind, SaveOutcome::Kind::Saved);
            ++saves;
            process->waitForFinished(20);
        }
    };
    keepWriting(cli.start({"run", "Shop", "--interval", "0.2"}, Setup::Settings));
    cli.finish();
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.opened().size(), 3);
    keepWriting(cli.start({"import", exported, exported, exported}, Setup::Settings));
    cli.finish();
    QVERIFY2(cli.exitCode == 0, qPrintable(cli.standardError));
    QVERIFY(saves > 5);

    cli.run({"collections"});
    QCOMPARE(cli.standardOutput.count(u"\tApp "), saves);
    QCOMPARE(cli.standardOutput.count(u"\tShop\t3"), 4);
}

void tst_KestrineCli::exchange() {
    Cli cli;
    cli.fillStore();
    const QString directory = cli.env.filePath(QStringLiteral("exports"));
    cli.run({"export", "Shop", "Empty", shopId, "-o", directory});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.standardOutput, directory + "/Shop.json\n" + directory + "/Empty.json\n");
    cli.run({"export", shopId, "-o", "TMP/single.json"});
    QCOMPARE(cli.standardOutput, cli.env.filePath(QStringLiteral("single.json")) + u'\n');

    // All or nothing: one file that is no collection keeps the good one out too.
    const QString broken = cli.env.filePath(QStringLiteral("broken.json"));
    StandInTools::writeFile(broken, "{\"deeplinkCollection\": ");
    cli.run({"import", directory + "/Shop.json", broken});
    QCOMPARE(cli.exitCode, 1);
    QVERIFY2(cli.standardError.contains(u"nothing imported: "), qPrintable(cli.standardError));
    cli.run({"collections"});
    QCOMPARE(cli.standardOutput.count(u'\n'), 4);

    cli.run({"import", directory + "/Shop.json", "TMP/single.json"});
    QCOMPARE(cli.exitCode, 0);
    const QStringList imported = cli.standardOutput.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(imported.size(), 2);
    const QString newId = imported.first().section(u'\t', 0, 0);
    QCOMPARE(imported.first().section(u'\t', 1), QStringLiteral("Shop\t3"));
    // The same deeplinks; an import gives them new timestamps, so not necessarily this order.
    const auto sortedDeeplinks = [&](const QString& collection) {
        cli.run({"deeplinks", collection});
        QStringList lines = cli.standardOutput.split(u'\n');
        lines.sort();
        return lines;
    };
    QCOMPARE(sortedDeeplinks(newId), sortedDeeplinks(shopId));
}

QTEST_GUILESS_MAIN(tst_KestrineCli)
#include "tst_KestrineCli.moc"
