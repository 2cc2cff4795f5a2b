#include "cli/CliHelp.h"

namespace {

const QString globalHelp = QStringLiteral(
    "Usage: kestrine-cli [--xcode PATH] [--adb PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "Kestrine's collections from a terminal or a CI job: list destinations, collections and\n"
    "deeplinks, open a URL, run a collection, export and import collections, show a URL as a\n"
    "QR code. Uses the app's store and settings; safe to run while the app is open.\n"
    "\n"
    "Commands:\n"
    "  destinations           Every iOS and Android destination; usable ones marked \"*\".\n"
    "  collections            The collections, in the app's order.\n"
    "  deeplinks COLLECTION   The deeplinks of a collection (a name or an id).\n"
    "  open URL               Opens one URL on a destination.\n"
    "  run COLLECTION         Opens every deeplink of a collection, one after another.\n"
    "  run FILE.json          The same for an exchange file, without touching the store.\n"
    "  export COLLECTION... -o PATH\n"
    "                         Writes collections to exchange files.\n"
    "  import FILE...         Adds the collections of exchange files, all or none; with\n"
    "                         --replace, in place of the collections of the same names.\n"
    "  qr URL [-o FILE.png]   Shows URL as a QR code for a phone's camera, or writes a PNG.\n"
    "\n"
    "Options:\n"
    "  -h, --help             This help; COMMAND --help describes a command.\n"
    "  --version              The version.\n"
    "  --xcode PATH           The Xcode to use instead of the one chosen in the app.\n"
    "  --adb PATH             The adb to use instead of the one set in the app.\n"
    "\n"
    "Exit status:\n"
    "  0    success: everything listed, opened, exported or imported\n"
    "  1    a deeplink failed to open (or another app, or a browser with --strict, took\n"
    "       it), an import or export failed, a collection file cannot be read, or a QR\n"
    "       code cannot be made or written\n"
    "  2    usage error: unknown command or option, no such collection, an ambiguous name,\n"
    "       no such environment, a variable without a value or with one its place refuses\n"
    "  3    no destination can be used: no Xcode and no adb, a destination missing or not\n"
    "       usable, a simulator shut down, or no tool that could list its destinations\n"
    "  4    the store cannot be opened (the file is left untouched)\n"
    "  130  a run stopped by Ctrl+C (128 + the signal's number)\n");

const QString destinationsHelp = QStringLiteral(
    "Usage: kestrine-cli destinations [--json]\n"
    "\n"
    "Every destination of the chosen Xcode and of adb, one a line: \"*\" for a usable one, its\n"
    "id (UDID or serial), name, kind, state and OS version, separated by tabs; an unusable\n"
    "one ends with the reason. A tool that fails says why on standard error; the others'\n"
    "destinations are listed all the same.\n"
    "Exits with 3 when there is neither an Xcode nor an adb, or when every tool fails.\n");

const QString collectionsHelp = QStringLiteral(
    "Usage: kestrine-cli collections [--json]\n"
    "\n"
    "The collections as the app lists them, pinned first: id, name, number of deeplinks and\n"
    "\"pinned\", separated by tabs.\n");

const QString deeplinksHelp = QStringLiteral(
    "Usage: kestrine-cli deeplinks COLLECTION [--json]\n"
    "\n"
    "The deeplinks of COLLECTION (its name or its id) as the app lists them: title and URL,\n"
    "separated by a tab. A name shared by several collections is an error that lists their ids.\n");

const QString destinationOptionsHelp = QStringLiteral(
    "  --destination D        An id (UDID or serial) or an exact name, as 'kestrine-cli\n"
    "                         destinations' lists them. Without it: the destination selected\n"
    "                         in the app, else the first booted simulator, else the first\n"
    "                         usable Android emulator or phone.\n"
    "  --app ID               The app to launch on an iPhone (bundle identifier) or the\n"
    "                         package to open the URL in on Android. Without it: the app\n"
    "                         chosen in Kestrine for that device (on Android: any app).\n"
    "  --boot                 Boots the simulator first when it is shut down.\n"
    "  --timeout SECONDS      How long a URL may take to open before the tool is stopped\n"
    "                         (default 60).\n"
    "  --cold                 Stops the app that will take each URL first, so that the URL\n"
    "                         starts it from nothing.\n"
    "  --screenshots DIR      Captures the screen after each firing to DIR (made when\n"
    "                         missing) as \"<index>-<title>.png\". Not on a physical iPhone.\n"
    "  --settle SECONDS       How long to wait before a screenshot (default 2; 0 allowed).\n"
    "  --expect-app ID        Fails a URL that another app takes (a package or bundle\n"
    "                         identifier; a component \"pkg/.Activity\" is app \"pkg\"), or\n"
    "                         that no known app takes.\n"
    "  --strict               Fails a URL that falls back to a browser or makes Android ask\n"
    "                         which app should open it; without it, those pass with a warning.\n"
    "  --dry-run              Prints the command line each firing would run, one a line,\n"
    "                         quoted for a POSIX shell, and fires nothing. The stop step of\n"
    "                         --cold and the screenshots are separate calls, not printed.\n"
    "                         Not with --json or --junit.\n");

const QString variableOptionsHelp = QStringLiteral(
    "  --var NAME=VALUE       Fills {{NAME}} in the URLs (repeatable); before the environment's\n"
    "                         values, which come before the app's global variables. A value\n"
    "                         is percent-encoded for its place; one missing is an error (2)\n"
    "                         that names it, before anything is opened.\n");

const QString collectionVariablesHelp =
    QStringLiteral("  --collection C         The collection (a name, an id or a .json file) whose\n"
                   "                         active environment fills the placeholders.\n"
                   "  --env NAME             That collection's environment NAME instead.\n");

const QString outcomeHelp = QStringLiteral(
    "\nThe line on standard error says what the firing did: \"ok 0.41 s: Opened in\n"
    "com.example.shop/.ProductActivity, cold start, 512 ms\", \"warning 0.40 s: Fell back to\n"
    "com.android.chrome: …\" (a browser or Android's app chooser took it), or \"failed:\" with\n"
    "the reason.\n");

const QString openHelp =
    QStringLiteral(
        "Usage: kestrine-cli open URL [--destination D] [--app ID] [--boot]\n"
        "                         [--timeout SECONDS] [--cold] [--screenshots DIR]\n"
        "                         [--settle SECONDS] [--expect-app ID] [--strict]\n"
        "                         [--json | --dry-run] [--var NAME=VALUE]...\n"
        "                         [--collection C [--env NAME]]\n"
        "\n"
        "Opens URL, exactly as given but for its {{placeholders}}, on a destination.\n") +
    outcomeHelp + QStringLiteral("\nOptions:\n") + destinationOptionsHelp + variableOptionsHelp +
    collectionVariablesHelp +
    QStringLiteral("  --json                 Prints the result as one JSON document, shaped as\n"
                   "                         'run --json' prints each deeplink (\"url\" as\n"
                   "                         fired, \"typedUrl\" as written).\n"
                   "\n"
                   "Exits with 1 when the URL fails, 2 when a variable has no value (or one its\n"
                   "place refuses), 3 when the destination cannot be used.\n");

const QString runHelp =
    QStringLiteral(
        "Usage: kestrine-cli run COLLECTION [--destination D] [--app ID] [--boot]\n"
        "                        [--timeout SECONDS] [--cold] [--screenshots DIR]\n"
        "                        [--settle SECONDS] [--expect-app ID] [--strict]\n"
        "                        [--interval SECONDS] [--stop-on-failure] [--junit FILE] [--json]\n"
        "                        [--env NAME] [--var NAME=VALUE]... [--dry-run]\n"
        "\n"
        "Opens every deeplink of COLLECTION (a name or an id) that has a URL, in the app's order,\n"
        "or of an exchange file when COLLECTION ends in \".json\" (in the file's order, as an\n"
        "import would store it; the store is not touched). Each is reported on standard error\n"
        "as \"[3/12] Checkout … \" and what it did. Deeplinks without a URL are skipped. Ctrl+C\n"
        "stops after the request in flight; the reports are still written, the rest skipped. A\n"
        "second Ctrl+C stops the tool at once. Placeholders ({{name}}) are filled from --var,\n"
        "the collection's active environment (or --env's) and the app's global variables.\n") +
    outcomeHelp + QStringLiteral("\nOptions:\n") + destinationOptionsHelp + variableOptionsHelp +
    QStringLiteral("  --env NAME             The collection's environment NAME instead of its\n"
                   "                         active one.\n") +
    QStringLiteral(
        "  --interval SECONDS     The pause between two deeplinks (default 2; 0 for none).\n"
        "  --stop-on-failure      Stops at the first deeplink that fails; the rest are skipped.\n"
        "  --junit FILE           Writes a JUnit XML report to FILE (never through a link):\n"
        "                         what each firing did as properties, its screenshot as an\n"
        "                         attachment.\n"
        "  --json                 Prints the results as one JSON document: each deeplink's\n"
        "                         URL fired and as written (typedUrl), result, handler, launch,\n"
        "                         totalTimeMs and screenshot (null where unknown).\n"
        "\n"
        "A run that cannot start still gets its reports: one errored case with the reason.\n"
        "\n"
        "Exits with 0 when every deeplink with a URL opened (warnings included), 1 when one\n"
        "failed or the file cannot be read, 2 when a variable has no value (or one its place\n"
        "refuses), 3 when the destination cannot be used, 130 when stopped by Ctrl+C.\n");

const QString exportHelp = QStringLiteral(
    "Usage: kestrine-cli export COLLECTION... -o PATH\n"
    "\n"
    "Writes each COLLECTION (a name or an id) to an exchange file, as the app's Export does.\n"
    "With one collection PATH is the file, or a directory to write \"<name>.json\" into; with\n"
    "several it is a directory (made when missing). Prints the files written. A symbolic link\n"
    "where a file would go is refused, and nothing is written.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH      Where to write.\n");

const QString importHelp = QStringLiteral(
    "Usage: kestrine-cli import [--replace] FILE...\n"
    "\n"
    "Adds one collection per exchange FILE, as the app's Import does: all of them or, when one\n"
    "cannot be read, none. Prints the new collections: id, name and number of deeplinks.\n"
    "\n"
    "Options:\n"
    "  --replace              Removes the collections named as an imported one, in the same\n"
    "                         save: a job that imports on every run keeps one of each.\n");

const QString qrHelp =
    QStringLiteral(
        "Usage: kestrine-cli qr URL [-o FILE.png] [--var NAME=VALUE]... [--collection C\n"
        "                         [--env NAME]]\n"
        "\n"
        "Shows URL as a QR code, for a phone's camera to open it without a cable. URL is taken\n"
        "as 'open' takes it, placeholders filled. The code is drawn with block characters for a\n"
        "terminal with light text on a dark background; on a light background, scan the PNG\n"
        "instead. A URL longer than 2953 bytes fits in no QR code (exit status 1).\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE.png  Writes the code as a PNG image instead (never through a "
        "link).\n") +
    variableOptionsHelp + collectionVariablesHelp;

} // namespace

QString CliHelp::global() {
    return globalHelp;
}

QString CliHelp::command(QStringView command) {
    if (command == u"destinations")
        return destinationsHelp;
    if (command == u"collections")
        return collectionsHelp;
    if (command == u"deeplinks")
        return deeplinksHelp;
    if (command == u"open")
        return openHelp;
    if (command == u"run")
        return runHelp;
    if (command == u"export")
        return exportHelp;
    if (command == u"import")
        return importHelp;
    if (command == u"qr")
        return qrHelp;
    return {};
}
