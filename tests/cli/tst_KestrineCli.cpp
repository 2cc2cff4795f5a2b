#include "AdbPhone.h"
#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "QrScanner.h"
#include "StoreBuilders.h"
#include "TestData.h"
#include "TestEnvironment.h"
#include "cli/CollectionRun.h"
#include "destinations/RememberedSelection.h"
#include "platform/AppPaths.h"
#include "platform/AppSettings.h"
#include "store/PersistentContainer.h"
#include "store/VariableSettings.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <csignal>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

using Tool = FakeXcode::Tool;

namespace {

const QString shopId = QStringLiteral("11111111-1111-4111-8111-111111111111");
const QString travelId = QStringLiteral("22222222-2222-4222-8222-222222222222");
const QString otherTravelId = QStringLiteral("33333333-3333-4333-8333-333333333333");
// A simulator named by its UDID, which needs no adb.
const QString simulatorUdid = QStringLiteral("5B7D3C0E-4F7A-4C1B-9E0D-2A6B8C1F3D10");
const QString am = QStringLiteral("shell am start -W -a android.intent.action.VIEW -d ");
const QString amOnPhone = QStringLiteral("am start -W -a android.intent.action.VIEW -d ");

// The tool's expected output `name`, kept under tests/data/cli.
QString expected(const QString& name) {
    return QString::fromUtf8(TestData::read(QStringLiteral("cli/") + name));
}

// `text` with the times that vary from run to run (a JUnit report's, a JSON report's seconds)
// as "T", and without the handler, which the tools' clients may or may not know.
QString timeless(QString text) {
    static const QRegularExpression times(
        QStringLiteral(R"((time(stamp)?="|"seconds": )[-+0-9.:TZe]+)"));
    static const QRegularExpression handler(
        QStringLiteral(R"(, "handler": ("[^"]*"|null)|\s*<property name="handler"[^>]*/>)"));
    return text.replace(times, QStringLiteral("\\1T")).remove(handler);
}

// How a row prepares the machine: Xcode and adb chosen in the app's settings, given on the
// command line only (this machine's adb on PATH must not win), neither set anywhere (no adb on
// PATH either), a store file that is not a database, or one the tool cannot write; Phone: as
// Settings, with the real adb and the wire-protocol phone its only Android device.
enum class Setup { Settings, Given, Nothing, CorruptStore, ReadOnlyStore, Phone };

// The command-line tool as a user runs it: a process without a display, over the store and
// settings of a temporary home, against the stand-in Xcode and adb.
struct Cli {
    Cli() {
        xcode.setScenario(Tool::Simctl,
                          {.standardOutput = DeviceFixtures::simctlJson(
                               {{"iOS-17-2", {"S1|iPhone 15|Shutdown", "S2|iPad Air|Booted"}}})},
                          QStringLiteral("list devices"));
        xcode.setInstalledApps({{"com.example.shop", "Shop", {"shop", "myapp", "app", "x"}}});
        xcode.setScenario(Tool::Devicectl,
                          {.file = DeviceFixtures::devicectlJson({"P1|Phone|booted"})},
                          QStringLiteral("list devices"));
    }
    [[nodiscard]] QString storePath() const {
        return env.home() + QStringLiteral("/Kestrine.sqlite");
    }
    // Shop (pinned, newest deeplink first, and a Draft without URL when asked), two collections
    // named Travel, and an empty one.
    void fillStore(bool draft = false) const {
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
        if (draft)
            addDeeplink(context, shop, QStringLiteral("Draft"), QString(), 0);
        addCollection(context, QStringLiteral("Travel"), false, 5)
            ->setUid(QUuid::fromString(travelId));
        addCollection(context, QStringLiteral("Travel"), false, 4)
            ->setUid(QUuid::fromString(otherTravelId));
        addCollection(context, QStringLiteral("Empty"), false, std::nullopt)
            ->setUid(QUuid::fromString(QStringLiteral("44444444-4444-4444-8444-444444444444")));
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
    }
    // Starts the tool (or `program` with it as "$0"); XCODE, ADB, PHONE and TMP/ in `arguments`
    // stand for the stand-ins' paths, the phone's serial and the temporary directory. It leads a
    // process group of its own, as a command started in a terminal does.
    QProcess* start(QStringList arguments, Setup setup = Setup::Settings,
                    const QString& program = QStringLiteral(KESTRINE_CLI_EXECUTABLE)) {
        for (QString& argument : arguments) {
            argument.replace(QStringLiteral("XCODE"), xcode.path());
            argument.replace(QStringLiteral("ADB"), adb.adbPath());
            if (phone)
                argument.replace(QStringLiteral("PHONE"), phone->serial());
            argument.replace(QStringLiteral("TMP/"), env.path() + u'/');
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ANDROID_HOME",
                                 "ANDROID_SDK_ROOT", "KESTRINE_LOG"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QString::fromLatin1(AppPaths::homeVariable), env.home());
        // Without the directories that hold an adb (the stand-in tools need the rest).
        if (setup == Setup::Nothing) {
            QStringList path = environment.value(QStringLiteral("PATH")).split(u':');
            path.removeIf([](const QString& directory) {
                return AdbLocator::isProgram(directory + QStringLiteral("/adb"));
            });
            environment.insert(QStringLiteral("PATH"), path.join(u':'));
        }
        for (auto entry = variables.cbegin(); entry != variables.cend(); ++entry)
            environment.insert(entry.key(), entry.value());
        // Root writes whatever the mode says: as root the tool then runs as "nobody".
        const bool asNobody = setup == Setup::ReadOnlyStore && ::geteuid() == 0;
        if (setup == Setup::ReadOnlyStore)
            makeStoreReadOnly();
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([asNobody] {
            ::setpgid(0, 0);
            if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(127);
        });
        if (program != QStringLiteral(KESTRINE_CLI_EXECUTABLE))
            arguments.append(QStringLiteral(KESTRINE_CLI_EXECUTABLE));
        process.start(program, arguments);
        return &process;
    }
    // A store the tool cannot write: its write-ahead log and shared-memory files are there but
    // read-only, as a read-only open leaves them. The file opens; every save's BEGIN fails. For
    // "nobody" the store's path must stay readable and the store itself writable.
    void makeStoreReadOnly() {
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString path = storePath() + QLatin1String(suffix);
            StandInTools::writeFile(path, {});
            QVERIFY(QFile::setPermissions(path,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        if (::geteuid() != 0)
            return;
        for (const QString& directory : {env.path(), env.home()})
            QVERIFY(::chmod(QFile::encodeName(directory).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(storePath()).constData(), 0666) == 0);
    }
    void finish() {
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        exitCode = process.exitCode();
        standardOutput = QString::fromUtf8(process.readAllStandardOutput());
        standardError = QString::fromUtf8(process.readAllStandardError());
    }
    void run(const QStringList& arguments, Setup setup = Setup::Settings,
             const QString& program = QStringLiteral(KESTRINE_CLI_EXECUTABLE)) {
        start(arguments, setup, program);
        finish();
    }
    // Xcode and adb chosen in the app, as a user who set them up there.
    void chooseTools() const {
        XcodeBookmarkManager().saveBookmark(xcode.url());
        AdbLocator::adbPathSetting().setValue(phone ? AdbPhone::adbPath() : adb.adbPath());
    }
    // The phone, with a browser and com.shop opening shop: links, instead of the stand-in adb.
    void usePhone() {
        phone = std::make_unique<AdbPhone>(env.path());
        phone->configure("system com.android.chrome com.google.android.apps.chrome.IntentDispatcher"
                         " http:// https://\napp com.shop .MainActivity shop:\n");
    }
    // "<tool> <arguments>" of every URL the stand-ins were asked to open, in order.
    [[nodiscard]] QStringList opened() const {
        QStringList calls;
        for (const QString& call : xcode.calls()) {
            if (call.contains(u"openurl") || call.contains(u"process launch") ||
                call.startsWith(u"simctl boot"))
                calls.append(call.section(QStringLiteral(" --json-output "), 0, 0));
        }
        for (const FakeAdb::Invocation& call : adb.invocations()) {
            if (call.arguments.contains(u"am"))
                calls.append(QStringLiteral("adb ") + call.arguments.join(u' '));
        }
        for (const QStringList& call : phone ? phone->calls() : QList<QStringList>()) {
            if (call.mid(0, 2) == QStringList{"am", "start"})
                calls.append(QStringLiteral("phone ") + call.join(u' '));
        }
        return calls;
    }
    // The JUnit report TMP/report.xml.
    [[nodiscard]] QString junit() const {
        QFile file(env.filePath(QStringLiteral("report.xml")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                              : QStringLiteral("no report");
    }

    // Only to the tool's process group while the tool runs: the id of one that has ended is 0,
    // and kill(0, ...) would reach this whole process group (ctest and whatever started it).
    [[nodiscard]] bool signal(int number) const {
        return process.state() == QProcess::Running && process.processId() > 0 &&
               ::kill(-pid_t(process.processId()), number) == 0;
    }
    // Whether a call parked by a hanging scenario is still running.
    [[nodiscard]] bool toolsHang() const {
        const QList<qint64> parked = adb.hangingProcesses() + xcode.hangingProcesses(Tool::Simctl);
        return std::any_of(parked.cbegin(), parked.cend(), &StandInTools::isRunning);
    }

    QProcess process;
    QMap<QString, QString> variables; // laid over the tool's environment
    TestEnvironment env;
    FakeXcode xcode{env.path()};
    FakeAdb adb{env.path(), true};
    std::unique_ptr<AdbPhone> phone; // see usePhone()
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
};

} // namespace

class tst_KestrineCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every command once with what it prints, and every URL it opens on the way.
    void commands_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardOutput"); // exact, unless it starts with "~" (contains)
        QTest::addColumn<QStringList>("standardError"); // each contained
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QString>("selected"); // the destination selected in the app
        const auto row = [](const char* name, Setup setup, const QStringList& arguments,
                            int exitCode, const QString& out, const QStringList& err,
                            const QStringList& opened = {}, const QString& selected = {}) {
            QTest::newRow(name) << setup << arguments << exitCode << out << err << opened
                                << selected;
        };
        const Setup set = Setup::Settings;
        const Setup corrupt = Setup::CorruptStore;
        const QString usage = QStringLiteral("Try 'kestrine-cli --help'.");
        const QString unopened = QStringLiteral("the store cannot be opened");

        row("help", set, {"--help"}, 0,
            "~4    the store cannot be opened (the file is left untouched)", {});
        row("command help", set, {"deeplinks", "-h"}, 0,
            "~Usage: kestrine-cli deeplinks COLLECTION", {});
        row("version", set, {"--version"}, 0, QStringLiteral("kestrine-cli " KESTRINE_VERSION "\n"),
            {});
        row("destinations from the settings", set, {"destinations"}, 0,
            expected("destinations.txt"), {});
        row("destinations given, after the command", Setup::Given,
            {"destinations", "--xcode", "XCODE", "--adb", "ADB"}, 0, expected("destinations.txt"),
            {});
        row("destinations as JSON", Setup::Given,
            {"--xcode", "XCODE", "--adb", "ADB", "destinations", "--json"}, 0,
            expected("destinations.json"), {});
        // TMP/ holds no Xcode tools: they cannot even start.
        row("tools fail, the others are listed", Setup::Given,
            {"destinations", "--xcode", "TMP/", "--adb", "ADB"}, 0,
            "~* R5CT1234567\tSM A546B\tAndroid Device",
            {"kestrine-cli: simctl: Could not start", "kestrine-cli: devicectl: Could not start"});
        row("every tool fails", Setup::Given,
            {"destinations", "--xcode", "TMP/", "--adb", "/bin/false"}, 3, {},
            {"simctl: Could not start", "kestrine-cli: adb: Unknown error",
             "no tool listed its destinations"});
        row("no Xcode and no adb", Setup::Nothing, {"destinations"}, 3, {},
            {"no Xcode and no adb"});
        row("collections, pinned first, newest first", set, {"collections"}, 0,
            expected("collections.txt"), {});
        row("collections as JSON", set, {"collections", "--json"}, 0, expected("collections.json"),
            {});
        row("deeplinks by name, newest first", set, {"deeplinks", "Shop"}, 0,
            expected("deeplinks-Shop.txt"), {});
        row("deeplinks by id as JSON", set, {"deeplinks", "{" + shopId.toUpper() + "}", "--json"},
            0, expected("deeplinks-Shop.json"), {});
        row("one Travel by id", set, {"deeplinks", otherTravelId, "--json"}, 0,
            expected("deeplinks-Travel.json"), {});
        row("ambiguous name", set, {"deeplinks", "Travel"}, 2, {},
            {"several collections are named \"Travel\"", "\n  " + travelId + "\tTravel",
             "\n  " + otherTravelId + "\tTravel", usage});
        row("no such collection", set, {"deeplinks", "shop"}, 2, {},
            {"no collection named or with the id \"shop\"", usage});
        row("no collection given", set, {"deeplinks"}, 2, {}, {usage});
        row("unknown command", set, {"fire"}, 2, {}, {"unknown command \"fire\"", usage});
        row("unknown option", set, {"collections", "--all"}, 2, {}, {"'all'", usage});
        row("unknown global option", set, {"--yes", "collections"}, 2, {}, {"'yes'", usage});
        row("corrupt store", corrupt, {"collections"}, 4, {}, {unopened});
        row("corrupt store, run", corrupt, {"run", "Shop"}, 4, {}, {unopened});
        row("corrupt store, import", corrupt, {"import", "/nonexistent.json"}, 4, {}, {unopened});
        row("run, ambiguous name", set, {"run", "Travel"}, 2, {},
            {"several collections are named"});
        row("open, no URL", set, {"open", "not a url"}, 2, {}, {"A URL needs a scheme", usage});
        row("open, a run option", set, {"open", "shop://", "--junit", "r.xml"}, 2, {},
            {"'junit'", usage});
        row("run, bad interval", set, {"run", "Shop", "--interval", "-1"}, 2, {},
            {"--interval takes seconds from 0 to 86400, not \"-1\""});
        row("open, a bad settle", set, {"open", "shop://", "--settle", "-1"}, 2, {},
            {"--settle takes seconds from 0 to 600, not \"-1\"", usage});
        row("a firing option elsewhere", set, {"deeplinks", "Shop", "--cold"}, 2, {},
            {"'cold'", usage});
        row("open, screenshots where no directory can be", set,
            {"open", "shop://x", "--destination", "S2", "--screenshots", "/dev/null/shots"}, 1, {},
            {"cannot make the directory /dev/null/shots"});
        row("open, unusable destination", set,
            {"open", "shop://", "--destination", "0A1B2C3D4E5F6789"}, 3, {},
            {"cannot be used: unauthorized: allow USB debugging"});
        row("open, no such destination", set, {"open", "shop://", "--destination", "Pixel 9"}, 3,
            {}, {"no destination named or with the id \"Pixel 9\""});
        row("open, no tools", Setup::Nothing, {"open", "shop://"}, 3, {}, {"no Xcode and no adb"});
        row("export without -o", set, {"export", "Shop"}, 2, {}, {"export needs -o PATH"});
        row("export, two files of one name", set,
            {"export", travelId, otherTravelId, "-o", "TMP/out"}, 2, {},
            {"would both be written to \"Travel.json\""});
        row("qr, no URL", set, {"qr", "not a url"}, 2, {}, {"A URL needs a scheme", usage});
        row("qr, too long", set, {"qr", "shop://" + QString(3000, u'a')}, 1, {},
            {"kestrine-cli: The URL is too long for a QR code: 3007 bytes"});
        row("qr -o, a directory that is not there", set,
            {"qr", "shop://x", "-o", "/nonexistent/code.png"}, 1, {},
            {"cannot write /nonexistent/code.png: "});
        row("import, missing file", set, {"import", "/nonexistent/Shop.json"}, 1, {},
            {"nothing imported"});
        row("import, a store that cannot be written", Setup::ReadOnlyStore,
            {"import", "TMP/single.json"}, 1, {},
            {"nothing imported: attempt to write a readonly database"});
        row("open: the destination selected in the app", Setup::Phone, {"open", "shop://x"}, 0, {},
            {"shop://x \u2026 ok "}, {"phone " + amOnPhone + "shop://x"}, "PHONE");
        row("open: a shut-down simulator", set, {"open", "shop://x"}, 3, {},
            {"iPhone 15 is shut down: boot it or pass --boot"}, {}, "S1");
        row("open, a bad timeout", set, {"open", "shop://", "--timeout", "0"}, 2, {},
            {"--timeout takes seconds above 0 and up to 86400, not \"0\"", usage});
        row("open: else the first booted simulator", set, {"open", "shop://x"}, 0, {}, {},
            {"simctl openurl S2 shop://x"}, "gone");
        row("open: a destination by name, booted first", set,
            {"open", "shop://x", "--destination", "iPhone 15", "--boot"}, 0, {},
            {"Booting iPhone 15"},
            {"simctl boot S1", "simctl bootstatus S1 -b", "simctl openurl S1 shop://x"}, "S2");
        row("open: without Xcode, the first usable Android destination", Setup::Given,
            {"--adb", "ADB", "open", "shop://x"}, 0, {}, {},
            {"adb -s R5CT1234567 " + am + "shop://x"});
        row("open: an Android package", Setup::Phone,
            {"open", "shop://x", "--destination", "PHONE", "--app", "com.shop"}, 0, {}, {},
            {"phone " + amOnPhone + "shop://x com.shop"});
        row("open: a browser took it, --strict", Setup::Phone,
            {"open", "https://shop.example/p", "--destination", "PHONE", "--strict"}, 1, {},
            {"https://shop.example/p \u2026 failed: Fell back to com.android.chrome"},
            {"phone " + amOnPhone + "https://shop.example/p"});
        row("open: an app on an iPhone", set,
            {"open", "shop://x", "--destination", "P1", "--app", "com.shop"}, 0, {}, {},
            {"devicectl device process launch --device P1 --payload-url shop://x com.shop"});
        row("open: an iPhone without an app", set, {"open", "shop://x"}, 1, {},
            {"shop://x \u2026 failed: No app selected."}, {}, "P1");
        // A file is run as an import would store it, and the store is never opened.
        row("run: an exchange file", corrupt,
            {"run", TestData::path("exchange/links.json"), "--xcode", "XCODE", "--interval", "0"},
            0, {}, {"[2/2] Bad \u2026 skipped: no URL", "My App Links: 1 ok, 0 failed, 1 skipped"},
            {"simctl openurl S2 myapp:home"});
        row("run: a missing exchange file", set, {"run", "TMP/Shop.json"}, 1, {},
            {"cannot read ", "Shop.json\u201D couldn\u2019t be opened"});
        row("run: every deeplink in the app's order", set, {"run", "Shop", "--interval", "0"}, 0,
            {},
            {"[1/3] Checkout \u2026 ok ", "[3/3] Cart \u2026 ok ",
             "Shop: 3 ok, 0 failed, 0 skipped"},
            {"simctl openurl S2 shop://checkout?a=1&b=\"x\"", "simctl openurl S2 shop://",
             "simctl openurl S2 shop://cart"});
        // --dry-run: standard output holds each firing's command line and nothing else; no tool
        // but the listings runs, and nothing is booted.
        const QString simctl = QStringLiteral("XCODE/Contents/Developer/usr/bin/simctl openurl ");
        row("dry run, open: cold changes nothing on a simulator", set,
            {"open", "shop://x?a=1&b=2", "--destination", "S2", "--cold", "--dry-run"}, 0,
            simctl + "S2 'shop://x?a=1&b=2'\n", {});
        row("dry run, run: one line per firing, a simulator --boot would start", set,
            {"run", "Shop", "--destination", "iPhone 15", "--boot", "--dry-run"}, 0,
            simctl + "S1 'shop://checkout?a=1&b=\"x\"'\n" + simctl + "S1 shop://\n" + simctl +
                "S1 shop://cart\n",
            {});
        row("dry run, open: an iPhone's launch, cold", set,
            {"open", "shop://x", "--destination", "P1", "--app", "com.shop", "--cold", "--dry-run"},
            0,
            "env DEVELOPER_DIR=XCODE/Contents/Developer XCODE/Contents/Developer/usr/bin/devicectl "
            "device process launch --device P1 --payload-url shop://x --terminate-existing "
            "com.shop\n",
            {});
        // Once for the user's shell around the quotes for the device's.
        row("dry run, open: adb's URL quoted for both shells", Setup::Given,
            {"--adb", "ADB", "open", "shop://x?a=1&b=$y", "--dry-run"}, 0,
            "ADB -s R5CT1234567 " + am + "''\\''shop://x?a=1&b=$y'\\'''\n", {});
        row("dry run, open: an iPhone without an app", set, {"open", "shop://x", "--dry-run"}, 1,
            {}, {"No app selected."}, {}, "P1");
        row("dry run, no JSON", set, {"run", "Shop", "--dry-run", "--json"}, 2, {},
            {"--dry-run prints command lines: no --json, no --junit", usage});
    }

    void commands() {
        QFETCH(Setup, setup);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, standardOutput);
        QFETCH(QStringList, standardError);
        QFETCH(QStringList, opened);
        QFETCH(QString, selected);

        Cli cli;
        const QByteArray corrupt = QByteArray("not a database\n").repeated(300);
        if (setup == Setup::CorruptStore)
            StandInTools::writeFile(cli.storePath(), corrupt);
        else
            cli.fillStore();
        const bool chosen = setup == Setup::Settings || setup == Setup::Phone;
        if (setup == Setup::Phone)
            cli.usePhone();
        if (chosen)
            cli.chooseTools();
        if (!selected.isEmpty())
            AppSettings::standard()->setValue(
                RememberedSelection::destinationIdKey.toString(),
                QString(selected).replace(QStringLiteral("PHONE"),
                                          cli.phone ? cli.phone->serial() : QString()));
        const QUrl savedXcode = XcodeBookmarkManager().xcodeURL();
        cli.env.writeFile("single.json", R"({"title": "Single"})");

        QElapsedTimer clock;
        clock.start();
        cli.run(arguments, setup);
        if (arguments.contains(u"--dry-run")) {
            standardOutput.replace(QStringLiteral("XCODE"), cli.xcode.path());
            standardOutput.replace(QStringLiteral("ADB"), cli.adb.adbPath());
            for (const QString& call : cli.xcode.calls())
                QVERIFY2(call.contains(u"list devices"), qPrintable(call));
        }
        QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
        // A store that cannot be written is no lock to wait 5 s for.
        if (setup == Setup::ReadOnlyStore)
            QCOMPARE_LT(clock.elapsed(), 5000);
        if (standardOutput.startsWith(u'~'))
            QVERIFY2(cli.standardOutput.contains(standardOutput.mid(1)),
                     qPrintable(cli.standardOutput));
        else
            QCOMPARE(cli.standardOutput, standardOutput);
        for (const QString& text : standardError)
            QVERIFY2(cli.standardError.contains(text), qPrintable(cli.standardError));
        // Standard error is the tool's own: no log lines among its messages.
        QVERIFY2(!cli.standardError.contains(u"kestrine Kestrine ["),
                 qPrintable(cli.standardError));
        QStringList calls = cli.opened();
        // devicectl's own options around the ones asked for.
        for (QString& call : calls)
            call.remove(QRegularExpression(QStringLiteral(" --json-output \\S+| --timeout \\S+")));
        QCOMPARE(calls, opened);
        // Options of one run are never remembered.
        QCOMPARE(XcodeBookmarkManager().xcodeURL(), savedXcode);
        QCOMPARE(AdbLocator::adbPathSetting().value(), !chosen     ? QString()
                                                       : cli.phone ? AdbPhone::adbPath()
                                                                   : cli.adb.adbPath());
        QCOMPARE(savedXcode.isEmpty(), !chosen);
        if (setup == Setup::CorruptStore) {
            QFile file(cli.storePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), corrupt);
        }
    }

    // Placeholders filled from --var, then the environment (--env, else the active one), then
    // the app's global variables, each value encoded for its component; every URL is checked
    // before the first fires. The collection Orders fires Home, then Order.
    void variables_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardError"); // contained
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("typed"); // with --json: each result's "typedUrl"
        const QString simctl = QStringLiteral("simctl openurl S2 ");
        const QString home = QStringLiteral("{{scheme}}://home");
        const QString order = QStringLiteral("{{scheme}}://order/{{id}}?note={{note}}");
        QTest::newRow("run: the active environment, then the global variables")
            << QStringList{"run",    "Orders",  "--interval",    "0",
                           "--json", "--junit", "TMP/report.xml"}
            << 0 << "[2/2] Order: shop://order/42?note=a%26b%20c \u2026 ok"
            << QStringList{simctl + "shop://home", simctl + "shop://order/42?note=a%26b%20c"}
            << QStringList{home, order};
        QTest::newRow("run: --env, and --var before it")
            << QStringList{"run",   "Orders",  "--interval", "0",
                           "--env", "Staging", "--var",      "id=x/y?"}
            << 0 << ""
            << QStringList{simctl + "myapp://home",
                           simctl + "myapp://order/x%2Fy%3F?note=a%26b%20c"}
            << QStringList{};
        QTest::newRow("run a file: its active environment")
            << QStringList{"run", "TMP/orders.json"} << 0 << ""
            << QStringList{simctl + "myapp://o/%C3%A9"} << QStringList{};
        QTest::newRow("open: --collection's environment")
            << QStringList{"open",         "{{scheme}}://order/{{id}}",
                           "--collection", "Orders",
                           "--env",        "Staging",
                           "--json"}
            << 0 << "myapp://order/7%2F8 \u2026 ok" << QStringList{simctl + "myapp://order/7%2F8"}
            << QStringList{"{{scheme}}://order/{{id}}"};
        QTest::newRow("open: --var, the last of a name")
            << QStringList{"open", "shop://p?q={{q}}", "--var", "q=1", "--var", "q=a b&c", "--json"}
            << 0 << "" << QStringList{simctl + "shop://p?q=a%20b%26c"}
            << QStringList{"shop://p?q={{q}}"};
        QTest::newRow("open: no placeholders, typed as fired")
            << QStringList{"open", "shop://x", "--json"} << 0 << ""
            << QStringList{simctl + "shop://x"} << QStringList{"shop://x"};
        QTest::newRow("run: a value missing in the second URL, nothing fired")
            << QStringList{"run", "Orders", "--env", "Partial", "--interval", "0"} << 2
            << "No value for {{id}}." << QStringList{} << QStringList{};
        QTest::newRow("open: every missing variable named")
            << QStringList{"open", "{{a}}://x/{{b}}"} << 2 << "No values for {{a}}, {{b}}."
            << QStringList{} << QStringList{};
        QTest::newRow("a value the host cannot take")
            << QStringList{"open", "shop://{{h}}/p", "--var", "h=a/b"} << 2
            << "kestrine-cli: {{h}} holds \u201ca/b\u201d, which cannot stand in a URL\u2019s host."
            << QStringList{} << QStringList{};
        QTest::newRow("unknown environment")
            << QStringList{"run", "Orders", "--env", "Nope"} << 2
            << "Orders has no environment named \"Nope\"; it has: Staging, Production, Partial"
            << QStringList{} << QStringList{};
        QTest::newRow("open: --env without --collection")
            << QStringList{"open", "shop://x", "--env", "Staging"} << 2 << "--collection C"
            << QStringList{} << QStringList{};
        QTest::newRow("--var without a value")
            << QStringList{"open", "shop://x", "--var", "q"} << 2 << "--var takes NAME=VALUE"
            << QStringList{} << QStringList{};
        QTest::newRow("--var with a bad name") << QStringList{"run", "Orders", "--var", "1q=2"} << 2
                                               << "not \"1q=2\"" << QStringList{} << QStringList{};
    }

    void variables() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, standardError);
        QFETCH(QStringList, opened);
        QFETCH(QStringList, typed);
        Cli cli;
        cli.chooseTools();
        {
            PersistentContainer container(cli.storePath());
            QVERIFY(!container.loadPersistentStores());
            ManagedObjectContext& context = *container.viewContext();
            DeeplinkCollection* orders =
                StoreBuilders::addCollection(context, QStringLiteral("Orders"));
            StoreBuilders::addDeeplink(context, orders, QStringLiteral("Home"),
                                       QStringLiteral("{{scheme}}://home"), 2);
            StoreBuilders::addDeeplink(context, orders, QStringLiteral("Order"),
                                       QStringLiteral("{{scheme}}://order/{{id}}?note={{note}}"),
                                       1);
            orders->setEnvironments({{QStringLiteral("Staging"),
                                      {{QStringLiteral("scheme"), QStringLiteral("myapp")},
                                       {QStringLiteral("id"), QStringLiteral("7/8")}}},
                                     {QStringLiteral("Production"),
                                      {{QStringLiteral("scheme"), QStringLiteral("shop")},
                                       {QStringLiteral("id"), QStringLiteral("42")}}},
                                     {QStringLiteral("Partial"),
                                      {{QStringLiteral("scheme"), QStringLiteral("shop")}}}});
            orders->setActiveEnvironment(QStringLiteral("Production"));
            QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        }
        // The global scheme loses to every environment's.
        VariableSettings::setGlobals(*AppSettings::standard(),
                                     {{QStringLiteral("note"), QStringLiteral("a&b c")},
                                      {QStringLiteral("scheme"), QStringLiteral("global")}});
        cli.env.writeFile(QStringLiteral("orders.json"),
                          "{\"deeplinks\": [{\"url\": \"{{scheme}}://o/{{id}}\"}], "
                          "\"environments\": [{\"name\": \"S\", \"variables\": ["
                          "{\"name\": \"scheme\", \"value\": \"myapp\"}, "
                          "{\"name\": \"id\", \"value\": \"\u00e9\"}]}], "
                          "\"activeEnvironment\": \"S\"}");
        cli.run(arguments);
        QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
        QVERIFY2(cli.standardError.contains(standardError), qPrintable(cli.standardError));
        QCOMPARE(cli.opened(), opened);
        if (typed.isEmpty())
            return;
        // The reports show the URLs fired, and the JSON the typed ones beside them.
        const QJsonArray results =
            QJsonDocument::fromJson(cli.standardOutput.toUtf8()).object()[u"results"].toArray();
        QVERIFY2(results.size() == typed.size(), qPrintable(cli.standardOutput));
        for (qsizetype i = 0; i < results.size(); ++i) {
            QCOMPARE(results.at(i)[u"typedUrl"].toString(), typed.at(i));
            const QString url = results.at(i)[u"url"].toString();
            QCOMPARE(opened.at(i).section(u' ', 3), url);
            QVERIFY2(!arguments.contains(u"--junit") || cli.junit().contains(url),
                     qPrintable(cli.junit()));
        }
    }

    // The reports of a run with a failure and a deeplink without URL, as JUnit and as JSON.
    void runReports_data() {
        QTest::addColumn<bool>("stopOnFailure");
        QTest::addColumn<QString>("reports"); // tests/data/cli/<reports>.xml and .json
        QTest::newRow("every deeplink") << false << "run-every";
        QTest::newRow("--stop-on-failure") << true << "run-stop";
    }

    void runReports() {
        QFETCH(bool, stopOnFailure);
        QFETCH(QString, reports);
        Cli cli;
        cli.fillStore(true);
        cli.chooseTools();
        // Home ("shop://") fails; the newer scenarios let the others through.
        cli.xcode.setScenario(
            Tool::Simctl,
            {.standardError = "Simulator device failed to open shop://.\n", .exitStatus = 1},
            QStringLiteral("openurl S2 shop://"));
        cli.xcode.setScenario(Tool::Simctl, {}, QStringLiteral("checkout"));
        cli.xcode.setScenario(Tool::Simctl, {}, QStringLiteral("cart"));
        QStringList arguments{"run",     shopId,           "--interval", "0",
                              "--junit", "TMP/report.xml", "--json"};
        if (stopOnFailure)
            arguments.append(QStringLiteral("--stop-on-failure"));
        cli.run(arguments);
        QCOMPARE(cli.exitCode, 1);
        QVERIFY2(cli.standardError.contains(
                     u"[2/4] Home \u2026 failed: Simulator device failed to open shop://."),
                 qPrintable(cli.standardError));
        QCOMPARE(timeless(cli.junit()), expected(reports + QStringLiteral(".xml")));
        QCOMPARE(timeless(cli.standardOutput), expected(reports + QStringLiteral(".json")));
    }

    // What a firing did, through the tools' clients into the progress lines and both reports.
    // The rows hold whatever the clients can tell (a handler, a launch, a screenshot or a note
    // why there is none): what they say must reach every report consistently.
    void outcomes_data() {
        QTest::addColumn<QStringList>("arguments"); // TMP/ is the temporary directory
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("handler"); // a regular expression for every firing's
        QTest::addColumn<QString>("failure"); // a regular expression for every message; "": none
        const QStringList android{"--destination", "PHONE", "--app", "com.shop"};
        const QStringList shots{"--screenshots", "TMP/shots", "--settle", "0"};
        const QStringList run{"run",    "Shop",    "--interval",    "0",
                              "--json", "--junit", "TMP/report.xml"};
        const QString shop = QStringLiteral("com\\.shop(/\\S+)?");
        QTest::newRow("Android, cold, screenshots, strict")
            << run + android + shots + QStringList{"--cold", "--strict"} << 0 << shop << "";
        QTest::newRow("open --json, the package expected")
            << QStringList{"open", "shop://x", "--json", "--expect-app", "com.shop"} + android +
                   shots
            << 0 << shop << "";
        QTest::newRow("another app expected: not a prefix of the handler")
            << run + android + QStringList{"--expect-app", "com.sho"} << 1 << shop
            << "opened by " + shop + ", expected com\\.sho";
        QTest::newRow("iPhone: no screenshots, said once")
            << run + shots + QStringList{"--destination", "P1",           "--app",
                                         "com.shop",      "--expect-app", "com.other"}
            << 1 << "com\\.shop"
            << "opened by com\\.shop, expected com\\.other";
    }

    void outcomes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, handler);
        QFETCH(QString, failure);
        Cli cli;
        cli.fillStore();
        if (arguments.contains(u"PHONE"))
            cli.usePhone();
        cli.chooseTools();
        cli.run(arguments);
        QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
        const bool iPhone = arguments.contains(u"P1");
        const bool screenshots = arguments.contains(u"--screenshots") && !iPhone;
        QCOMPARE(cli.standardError.count(u"Screenshots are not available on a physical iPhone"),
                 iPhone ? 1 : 0);
        QCOMPARE(QFileInfo(cli.env.filePath(QStringLiteral("shots"))).isDir(), screenshots);
        // Android stops the app, and only when asked to.
        const QList<QStringList> calls = cli.phone ? cli.phone->calls() : QList<QStringList>();
        QCOMPARE(std::any_of(calls.cbegin(), calls.cend(),
                             [](const QStringList& call) { return call.contains(u"force-stop"); }),
                 arguments.contains(u"--cold"));

        const QJsonObject document = QJsonDocument::fromJson(cli.standardOutput.toUtf8()).object();
        QCOMPARE(document.contains(u"collection"), arguments.first() == u"run");
        const QJsonArray results = document[u"results"].toArray();
        QCOMPARE(results.size(), arguments.first() == u"run" ? 3 : 1);
        const QString junit = cli.junit();
        for (qsizetype i = 0; i < results.size(); ++i) {
            const QJsonObject result = results.at(i).toObject();
            const QString title = result[u"title"].toString();
            const auto message = result[u"message"].toString();
            QVERIFY2(QRegularExpression(u'^' + handler + u'$')
                         .match(result[u"handler"].toString())
                         .hasMatch(),
                     qPrintable(cli.standardOutput));
            QCOMPARE(result[u"result"].toString(), QStringLiteral("opened"));
            QVERIFY(result.contains(u"launch") && result.contains(u"totalTimeMs"));
            // Each progress line says what happened; a failure says why.
            const QString line =
                QStringLiteral(R"((^|\n)(\[\d/3\] )?)") +
                QRegularExpression::escape(title + QStringLiteral(" \u2026 ")) +
                (failure.isEmpty() ? "ok \\S+ s: Opened in ([^\\n]* \\()?" + handler + "\\b"
                                   : "failed: " + failure + u'\n');
            QVERIFY2(cli.standardError.contains(QRegularExpression(line)),
                     qPrintable(cli.standardError));
            if (!failure.isEmpty()) {
                QVERIFY2(QRegularExpression(u'^' + failure + u'$').match(message).hasMatch(),
                         qPrintable(message));
                QVERIFY(junit.contains(QStringLiteral("<failure message=\"") + message + u'"'));
            }
            // A screenshot taken is where it was asked for and attached to the JUnit report;
            // one that could not be is a note.
            const QString screenshot = result[u"screenshot"].toString();
            if (!screenshot.isEmpty()) {
                QVERIFY2(screenshot.startsWith(
                             cli.env.filePath(QStringLiteral("shots/%1-").arg(i + 1))) &&
                             screenshot.endsWith(u".png"),
                         qPrintable(screenshot));
                QVERIFY(QFileInfo::exists(screenshot));
                QVERIFY(!arguments.contains(u"--junit") ||
                        junit.contains(QStringLiteral("[[ATTACHMENT|%1]]").arg(screenshot)));
            } else {
                QVERIFY2(!screenshots || message.contains(u"No screenshot: "), qPrintable(message));
            }
        }
        if (arguments.contains(u"--junit")) {
            QCOMPARE(junit.count(u"<property name=\"result\" value=\"opened\"/>"), 3);
            QVERIFY2(junit.count(u"<property name=\"handler\"") == 3, qPrintable(junit));
        }
    }

    // Outcomes no stand-in tool gives (a browser, the chooser, an unknown app) as a run judges
    // them.
    void judging_data() {
        using Result = FiringOutcome::Result;
        QTest::addColumn<FiringOutcome>("outcome");
        QTest::addColumn<QString>("expectedApp"); // "": none
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("progress");
        const FiringOutcome cold{.handler = QStringLiteral("com.example.shop/.ProductActivity"),
                                 .launch = FiringOutcome::Launch::Cold,
                                 .totalTimeMs = 512};
        const FiringOutcome browser{.result = Result::Browser,
                                    .handler = QStringLiteral("com.android.chrome/.Main"),
                                    .notes = {QStringLiteral("No screenshot: gone")}};
        const QString shop = QStringLiteral("com.example.shop");
        QTest::newRow("the app's component")
            << cold << shop << false
            << "ok 0.41 s: Opened in com.example.shop/.ProductActivity, cold start, 512 ms";
        QTest::newRow("a prefix of the package")
            << cold << "com.example" << false
            << "failed: opened by com.example.shop/.ProductActivity, expected com.example";
        QTest::newRow("an unknown app") << FiringOutcome{} << shop << false
                                        << "failed: opened by an unknown app, expected " + shop;
        QTest::newRow("browser: a warning, notes after it")
            << browser << "" << false
            << "warning 0.41 s: Fell back to com.android.chrome/.Main: no app claims "
               "https://shop.example/p; No screenshot: gone";
        QTest::newRow("browser, strict: notes after the reason")
            << browser << "" << true
            << "failed: Fell back to com.android.chrome/.Main: no app claims "
               "https://shop.example/p; No screenshot: gone";
        QTest::newRow("chooser, strict") << FiringOutcome{.result = Result::Chooser} << "" << true
                                         << "failed: Android asked which app should open it";
        QTest::newRow("no handler")
            << FiringOutcome{.result = Result::NoHandler, .message = QStringLiteral("None here")}
            << "" << false << "failed: None here";
        QTest::newRow("a handler that drives the terminal")
            << FiringOutcome{.handler = QStringLiteral("x\x1b]52;c;eA==\x07")} << "" << false
            << "ok 0.41 s: Opened in x\\e]52;c;eA==\\x07";
    }

    void judging() {
        QFETCH(FiringOutcome, outcome);
        QFETCH(QString, expectedApp);
        QFETCH(bool, strict);
        QFETCH(QString, progress);
        CollectionRun::Result result{.step = {.url = QStringLiteral("https://shop.example/p")},
                                     .seconds = 0.41,
                                     .outcome = outcome};
        CollectionRun::judge(result, {.expectedApp = expectedApp.isEmpty()
                                                         ? std::nullopt
                                                         : std::optional<QString>(expectedApp),
                                      .strict = strict});
        QCOMPARE(CollectionRun::progress(result), progress);
        // The reports say the same: a failure's reason, a warning that passed.
        using Status = CollectionRun::Result::Status;
        QCOMPARE(result.status, progress.startsWith(u"failed") ? Status::Failed : Status::Ok);
        QCOMPARE(result.message.isEmpty(), progress.startsWith(u"ok"));
        QVERIFY(progress.endsWith(result.message));
    }

    // A run that cannot start still writes the reports asked for, so a CI dashboard shows why:
    // one errored case named after what was to run, with the reason.
    void runThatCannotStart_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such collection") << QStringList{"run", "Nope"} << 2 << "Nope"
                                            << "no collection named or with the id";
        QTest::newRow("no such destination")
            << QStringList{"run", "Shop", "--destination", "Pixel 9"} << 3 << "Shop"
            << "no destination named or with the id";
        QTest::newRow("a missing collection file")
            << QStringList{"run", "TMP/missing.json"} << 1 << "missing.json"
            << "\u201Cmissing.json\u201D couldn\u2019t be opened";
    }

    void runThatCannotStart() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        Cli cli;
        cli.fillStore();
        cli.chooseTools();
        cli.run(arguments + QStringList{"--junit", "TMP/report.xml", "--json"});
        QCOMPARE(cli.exitCode, exitCode);

        const QString named = QRegularExpression::escape(name) + u'"';
        for (const QString& pattern :
             {"<testsuite name=\"[^\"]*" + named + " tests=\"1\" failures=\"0\" errors=\"1\"",
              "<testcase name=\"[^\"]*" + named,
              "<error message=\"[^\"]*" + QRegularExpression::escape(reason)})
            QVERIFY2(cli.junit().contains(QRegularExpression(pattern)), qPrintable(cli.junit()));
        const QJsonObject json = QJsonDocument::fromJson(cli.standardOutput.toUtf8()).object();
        const QJsonArray results = json[u"results"].toArray();
        QCOMPARE(results.size(), 1);
        QCOMPARE(results.first()[u"status"].toString(), QStringLiteral("error"));
        QVERIFY2(json[u"collection"].toString().endsWith(name) &&
                     results.first()[u"message"].toString().contains(reason),
                 qPrintable(cli.standardOutput));
    }

    // A link planted where a report or an export goes (a shared, sticky directory) is refused,
    // dangling or not: the file it points to is neither replaced nor created.
    void refusesLinks_data() {
        QTest::addColumn<QStringList>("arguments"); // TMP/link is the link
        QTest::addColumn<bool>("dangling");
        const QStringList run{"run", "Shop", "--interval", "0", "--junit", "TMP/link"};
        QTest::newRow("export -o FILE") << QStringList{"export", "Shop", "-o", "TMP/link"} << false;
        QTest::newRow("export -o FILE, dangling")
            << QStringList{"export", "Shop", "-o", "TMP/link"} << true;
        QTest::newRow("export into a directory")
            << QStringList{"export", "Shop", "Empty", "-o", "TMP/dir"} << false;
        QTest::newRow("qr -o FILE, dangling")
            << QStringList{"qr", "shop://x", "-o", "TMP/link"} << true;
        QTest::newRow("--junit FILE") << run << false;
        QTest::newRow("--junit FILE, dangling") << run << true;
        // The run goes on without that screenshot.
        QTest::newRow("--screenshots DIR")
            << QStringList{"run", "Shop",          "--destination", "emulator-5554", "--interval",
                           "0",   "--screenshots", "TMP/dir",       "--settle",      "0"}
            << false;
    }

    void refusesLinks() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, dangling);
        Cli cli;
        cli.fillStore();
        cli.chooseTools();
        const QString target = cli.env.filePath(QStringLiteral("target"));
        if (!dangling)
            cli.env.writeFile(QStringLiteral("target"), "mine\n");
        QVERIFY(QDir(cli.env.path()).mkpath(QStringLiteral("dir")));
        QVERIFY(QFile::link(target, cli.env.filePath(QStringLiteral("link"))));
        QVERIFY(QFile::link(target, cli.env.filePath(QStringLiteral("dir/Empty.json"))));
        QVERIFY(QFile::link(target, cli.env.filePath(QStringLiteral("dir/1-Checkout.png"))));
        cli.run(arguments);
        QCOMPARE(cli.exitCode, arguments.contains(u"--screenshots") ? 0 : 1);
        QVERIFY2(cli.standardError.contains(u": it is a symbolic link"),
                 qPrintable(cli.standardError));
        QFile file(target);
        QCOMPARE(file.open(QIODevice::ReadOnly), !dangling);
        if (!dangling)
            QCOMPARE(file.readAll(), QByteArray("mine\n"));
        // Nothing else was written either: not the other collection of the export.
        QVERIFY(!QFileInfo::exists(cli.env.filePath(QStringLiteral("dir/Shop.json"))));
    }

    // The code printed for a terminal, or written as a PNG, reads back as the URL that 'open'
    // would fire (a space it cannot hold encoded).
    void qrCode_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("terminal") << QStringList();
        QTest::newRow("-o") << QStringList{"-o", "TMP/code.png"};
        QTest::newRow("--output, over an older file") << QStringList{"--output", "TMP/old.png"};
    }

    void qrCode() {
        QFETCH(QStringList, options);
        if (!QrScanner::available())
            QSKIP("zbarimg is not installed (Debian package zbar-tools)");
        Cli cli;
        cli.env.writeFile(QStringLiteral("old.png"), "old\n");
        // Placeholders are filled as open fills them.
        cli.run(QStringList{"qr", "shop://item/{{id}}?q=a b&c=%41\u00e9", "--var", "id=42"} +
                options);
        QVERIFY2(cli.exitCode == 0, qPrintable(cli.standardError));
        const std::optional<QByteArray> read =
            options.isEmpty()
                ? QrScanner::read(QrScanner::terminalImage(cli.standardOutput))
                : QrScanner::read(QString(options.last()).replace("TMP/", cli.env.path() + u'/'));
        QCOMPARE(read, QByteArray("shop://item/42?q=a%20b&c=%41%C3%A9"));
        if (!options.isEmpty())
            QCOMPARE(cli.standardOutput, QString());
    }

    // Signals as a terminal sends them, to the whole foreground process group; the tools run in
    // groups of their own and are not reached.
    void interrupt_data() {
        QTest::addColumn<QString>("when"); // "pause", "request" (2 s long) or "hang"
        QTest::addColumn<QList<int>>("signalNumbers");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardError"); // contained
        QTest::addColumn<QString>("report");        // tests/data/cli/<report>, or "no report"
        const QList<int> ctrlC{SIGINT};
        QTest::newRow("during the pause")
            << "pause" << ctrlC << QStringList() << 130 << "Interrupted: 2 not reached"
            << "run-interrupted.xml";
        QTest::newRow("while the first request is in flight")
            << "request" << ctrlC << QStringList() << 130 << "Interrupted: 2 not reached"
            << "run-interrupted.xml";
        QTest::newRow("SIGTERM while the tool hangs: the request ends at its deadline")
            << "hang" << QList<int>{SIGTERM} << QStringList{"--timeout", "2"} << 143
            << "[1/3] Checkout \u2026 failed: simctl did not answer within 2 s"
            << "run-interrupted-hung.xml";
        QTest::newRow("twice while the tool hangs: at once")
            << "hang" << QList<int>{SIGINT, SIGINT} << QStringList() << 130 << "Stopped at once"
            << "no report";
    }

    void interrupt() {
        QFETCH(QString, when);
        QFETCH(QList<int>, signalNumbers);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, standardError);
        QFETCH(QString, report);
        Cli cli;
        cli.fillStore();
        cli.chooseTools();
        if (when != u"pause")
            cli.xcode.setScenario(
                Tool::Simctl, {.delaySeconds = when == u"hang" ? 0 : 2.0, .hang = when == u"hang"},
                QStringLiteral("openurl"));
        QProcess* process = cli.start(
            QStringList{"run", "Shop", "--interval", "30", "--junit", "TMP/report.xml"} + options);
        QByteArray progress;
        QTRY_VERIFY_WITH_TIMEOUT(
            process->state() == QProcess::NotRunning ||
                (when == u"pause"
                     ? (progress += process->readAllStandardError()).contains("[1/3]")
                     : (when == u"request" ? cli.opened().size() == 1 : cli.toolsHang())),
            20000);
        QVERIFY2(cli.signal(signalNumbers.first()), "the run ended before it was interrupted");
        if (signalNumbers.size() > 1) {
            QVERIFY(!process->waitForFinished(500)); // the hung request is let be
            QVERIFY(cli.signal(signalNumbers.last()));
        }
        // The request in flight ends as it would have, or at its deadline, or at once; the 30 s
        // pause never starts or is cut short.
        QVERIFY(process->waitForFinished(6000));
        cli.finish();
        QCOMPARE(cli.exitCode, exitCode);
        QVERIFY2(cli.standardError.contains(standardError), qPrintable(cli.standardError));
        QCOMPARE(timeless(cli.junit()), report == u"no report" ? report : expected(report));
        QTRY_VERIFY(!cli.toolsHang());
    }

    // A tool that never answers ends at its deadline, with everything it started; the CLI asks
    // only the tools the destination needs.
    void hungTools_data() {
        QTest::addColumn<QString>("tool"); // the one that hangs
        QTest::addColumn<QString>("call");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardError"); // contained
        QTest::newRow("adb lists: a simulator by its UDID needs no adb")
            << "adb"
            << "devices" << QStringList{"open", "shop://x", "--destination", simulatorUdid} << 0
            << "shop://x \u2026 ok";
        QTest::newRow("adb lists: past the listing's deadline")
            << "adb"
            << "devices" << QStringList{"destinations"} << 0 << "adb did not answer within 1 s";
        QTest::newRow("simctl opens: past --timeout")
            << "simctl"
            << "openurl"
            << QStringList{"open", "shop://x", "--destination", "S2", "--timeout", "0.5"} << 1
            << "shop://x \u2026 failed: simctl did not answer within 0.5 s";
        QTest::newRow("simctl boots: past the boot's deadline")
            << "simctl"
            << "bootstatus" << QStringList{"open", "shop://x", "--destination", "S1", "--boot"} << 3
            << "iPhone 15 did not boot: simctl did not answer within 1 s";
    }

    void hungTools() {
        QFETCH(QString, tool);
        QFETCH(QString, call);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, standardError);
        Cli cli;
        cli.chooseTools();
        cli.xcode.setSimulators({"S1|iPhone 15|Shutdown", "S2|iPad Air|Booted",
                                 simulatorUdid + QStringLiteral("|iPhone 15 Pro|Booted")});
        if (tool == u"adb")
            cli.adb.setScenario({.hang = true}, call);
        else
            cli.xcode.setScenario(Tool::Simctl, {.hang = true}, call);
        cli.variables.insert(QStringLiteral("KESTRINE_TOOL_TIMEOUT"), QStringLiteral("1"));
        QElapsedTimer clock;
        clock.start();
        cli.run(arguments);
        QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
        QVERIFY2(cli.standardError.contains(standardError), qPrintable(cli.standardError));
        QVERIFY2(clock.elapsed() < 10000, "waited for more than the deadlines");
        QTRY_VERIFY(!cli.toolsHang());
        if (arguments.contains(simulatorUdid))
            QCOMPARE(cli.adb.invocations().size(), 0);
    }

    // Only the tools that can change the choice list their destinations, and the choice is the
    // one the whole list gives. Besides the simulators of the row: the iPhone P1 and the demo
    // machine's Android destinations.
    void toolsAsked_data() {
        QTest::addColumn<QStringList>("simulators"); // "udid|name|state"
        QTest::addColumn<QString>("destination");    // --destination; "": none
        QTest::addColumn<QString>("selected");       // in the app; "": none
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("chosen"); // the id fired at; "": none
        QTest::addColumn<QString>("asked");  // the tools that listed, Xcode's in order
        const QStringList usual{"S1|iPhone 15|Shutdown", "S2|iPad Air|Booted"};
        const QString all = QStringLiteral("simctl devicectl adb");
        const QString serial = QStringLiteral("R5CT1234567");
        const auto row = [](const char* name, const QStringList& simulators,
                            const QString& destination, const QString& selected, int exitCode,
                            const QString& chosen, const QString& asked) {
            QTest::newRow(name) << simulators << destination << selected << exitCode << chosen
                                << asked;
        };
        row("a simulator's id", usual, "S2", "", 0, "S2", "simctl");
        row("an iPhone's id", usual, "P1", "", 0, "P1", "simctl devicectl");
        row("an emulator's serial", usual, "emulator-5554", "", 0, "emulator-5554", "adb");
        row("a serial of no known form", usual, serial, "", 0, serial, all);
        row("a simulator's name", usual, "iPad Air", "", 0, "S2", all);
        row("a name a simulator and a phone share", {"S1|SM A546B|Booted"}, "SM A546B", "", 2, "",
            all);
        row("a phone's serial over a simulator's name", {"S1|" + serial + "|Booted"}, serial, "", 0,
            serial, all);
        row("no such destination", usual, "Pixel 9", "", 3, "", all);
        row("none given: the booted simulator", usual, "", "", 0, "S2", "simctl");
        row("none given, none booted: no iPhone is taken", {"S1|iPhone 15|Shutdown"}, "", "", 0,
            serial, "simctl adb");
        row("the app's selection", usual, "", "P1", 0, "P1", "simctl devicectl");
        row("the app's selection on Android", usual, "", "emulator-5554", 0, "emulator-5554", all);
        row("the app's selection gone", usual, "", "gone", 0, "S2", all);
    }

    void toolsAsked() {
        QFETCH(QStringList, simulators);
        QFETCH(QString, destination);
        QFETCH(QString, selected);
        QFETCH(int, exitCode);
        QFETCH(QString, chosen);
        QFETCH(QString, asked);
        Cli cli;
        cli.chooseTools();
        cli.xcode.setSimulators(simulators);
        if (!selected.isEmpty())
            AppSettings::standard()->setValue(RememberedSelection::destinationIdKey.toString(),
                                              selected);
        QStringList arguments{"open", "shop://x", "--app", "com.shop", "--dry-run"};
        if (!destination.isEmpty())
            arguments += {"--destination", destination};
        cli.run(arguments);
        QVERIFY2(cli.exitCode == exitCode, qPrintable(cli.standardError));
        const QRegularExpression target(QStringLiteral(" (openurl|--device|-s) (\\S+) "));
        QCOMPARE(target.match(cli.standardOutput).captured(2), chosen);
        QStringList tools;
        for (const QString& call : cli.xcode.calls())
            tools.append(call.section(u' ', 0, 0));
        const QList<FakeAdb::Invocation> adbCalls = cli.adb.invocations();
        if (std::any_of(adbCalls.cbegin(), adbCalls.cend(), [](const FakeAdb::Invocation& call) {
                return call.arguments.startsWith(QStringLiteral("devices"));
            }))
            tools.append(QStringLiteral("adb"));
        QCOMPARE(tools.join(u' '), asked);
    }

    // A script feeding URLs to the CLI in a loop: the tools never read the loop's input.
    void toolsReadNoInput() {
        Cli cli;
        cli.chooseTools();
        cli.adb.setScenario({.readsInput = true}, QStringLiteral("shell am "));
        cli.run({"-c", "printf 'shop://1\\nshop://2\\n' | while read -r u; do "
                       "\"$0\" open \"$u\" --destination emulator-5554 || exit; done"},
                Setup::Settings, QStringLiteral("/bin/sh"));
        QVERIFY2(cli.exitCode == 0, qPrintable(cli.standardError));
        QCOMPARE(cli.opened(), QStringList({"adb -s emulator-5554 " + am + "shop://1",
                                            "adb -s emulator-5554 " + am + "shop://2"}));
    }

    void hostileUrls() {
        Cli cli;
        cli.chooseTools();
        // Stored as a collection: the run hands each URL over exactly as stored, and a title no
        // XML may carry still gives a report that parses.
        // That title is also meant for the terminal: ESC ] 52 writes its clipboard, a tab or a
        // line end would forge a column or a row.
        const QString hostileTitle = QStringLiteral("a\x01<b>&\"\xFFFE\x1b]52;c;eA==\x07\t\n");
        const QString hostileShown = QStringLiteral("a\\x01<b>&\"\xFFFE\\e]52;c;eA==\\x07\\t\\n");
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
            StoreBuilders::addDeeplink(context, collection, hostileTitle, QStringLiteral("x://"),
                                       0);
            QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        }
        QStringList fired;
        for (const ExactUrls::Row& row : ExactUrls::rows())
            fired.append(QStringLiteral("simctl openurl S2 ") + row.exact);
        cli.run({"run", "Hostile", "--interval", "0", "--junit", "TMP/report.xml"});
        QCOMPARE(cli.exitCode, 0);
        QCOMPARE(cli.opened().mid(0, fired.size()), fired);
        QXmlStreamReader report(cli.junit());
        QString last; // "name classname" of the last testcase
        while (!report.atEnd()) {
            if (report.readNext() == QXmlStreamReader::StartElement && report.name() == u"testcase")
                last = report.attributes().value(QLatin1String("name")).toString() + u' ' +
                       report.attributes().value(QLatin1String("classname")).toString();
        }
        QVERIFY2(!report.hasError(), qPrintable(report.errorString()));
        QCOMPARE(last, QStringLiteral("a\uFFFD<b>&\"\uFFFD\uFFFD]52;c;eA==\uFFFD\t\n Hostile"));
        // In text output, the title's controls are shown escaped: one line, one tab.
        QVERIFY2(cli.standardError.contains(hostileShown + QStringLiteral(" \u2026 ok")),
                 qPrintable(cli.standardError));
        cli.run({"deeplinks", "Hostile"});
        QVERIFY2(cli.standardOutput.endsWith(u'\n' + hostileShown + QStringLiteral("\tx://\n")),
                 qPrintable(cli.standardOutput));

        // Typed on the command line: only what cannot stand in a URL is encoded.
        for (const ExactUrls::Row& row : ExactUrls::rows()) {
            cli.run({"open", row.typed, "--destination", "S2"});
            QVERIFY2(cli.exitCode == 0, row.name);
            QCOMPARE(cli.opened().last(), QStringLiteral("simctl openurl S2 ") + row.exact);
        }
    }

    void runWhileAnotherProcessWrites() {
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
            cli.finish();
            QVERIFY2(cli.exitCode == 0, qPrintable(cli.standardError));
        };
        keepWriting(cli.start({"run", "Shop", "--interval", "0.2"}));
        QCOMPARE(cli.opened().size(), 3);
        keepWriting(cli.start({"import", exported, exported, exported}));
        QVERIFY(saves > 5);

        cli.run({"collections"});
        QCOMPARE(cli.standardOutput.count(u"\tApp "), saves);
        QCOMPARE(cli.standardOutput.count(u"\tShop\t3"), 4);
    }

    void exchange() {
        Cli cli;
        cli.fillStore();
        const QString directory = cli.env.filePath(QStringLiteral("exports"));
        cli.run({"export", "Shop", "Empty", shopId, "-o", directory});
        QCOMPARE(cli.exitCode, 0);
        QCOMPARE(cli.standardOutput, directory + "/Shop.json\n" + directory + "/Empty.json\n");
        cli.run({"export", shopId, "-o", "TMP/single.json"});
        QCOMPARE(cli.standardOutput, cli.env.filePath(QStringLiteral("single.json")) + u'\n');

        // All or nothing: one file that is no collection keeps the good one out too.
        const QString broken =
            cli.env.writeFile(QStringLiteral("broken.json"), "{\"deeplinkCollection\": ");
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

        // --replace: the three collections named Shop become the one imported, in one save; an
        // import that fails replaces nothing.
        const auto shops = [&] {
            cli.run({"collections"});
            return cli.standardOutput.count(u"\tShop\t3");
        };
        cli.run({"import", "--replace", directory + "/Shop.json", broken});
        QCOMPARE(cli.exitCode, 1);
        QCOMPARE(shops(), 3);
        cli.run({"import", "--replace", directory + "/Shop.json"});
        QCOMPARE(cli.exitCode, 0);
        QCOMPARE(shops(), 1);
        QCOMPARE(cli.standardOutput.count(u'\n'), 4);
    }
};

QTEST_GUILESS_MAIN(tst_KestrineCli)
#include "tst_KestrineCli.moc"
