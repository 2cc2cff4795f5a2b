#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "platform/AppPaths.h"
#include "platform/AppSettings.h"
#include "platform/SingleInstance.h"
#include "store/PersistentContainer.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

// Where Kestrine would put `what` now.
QString placeOf(const QString& what) {
    if (what == u"store")
        return PersistentContainer::defaultStorePath();
    if (what == u"screenshots")
        return KestrineApp::screenshotDirectory();
    if (what == u"cache")
        return AppPaths::cacheDirectory();
    if (what == u"settings")
        return AppSettings::standard()->fileName();
    if (what == u"group settings")
        return AppSettings::applicationGroup()->fileName();
    if (what == u"instance socket")
        return SingleInstance(QStringLiteral("/some/store")).socketPath();
    return {};
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

// KESTRINE_HOME gathers everything Kestrine writes; without it the platform's places stay
// where existing users' files are.
class tst_AppPaths : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everythingGoesBelowTheHome_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("place"); // relative to the home; a regular expression
        const auto add = [](const char* what, const char* place) {
            QTest::addRow("%s", what) << QString::fromLatin1(what) << QString::fromLatin1(place);
        };
        add("store", "Kestrine\\.sqlite");
        add("screenshots", "Screenshots");
        add("cache", "Cache");
        add("settings", "Kestrine\\.conf");
        add("group settings", "KestrineGroup\\.conf");
        add("instance socket", "Kestrine-[0-9a-f]{16}\\.socket");
    }

    void everythingGoesBelowTheHome() {
        QFETCH(QString, what);
        QFETCH(QString, place);
        TestEnvironment env;
        const QRegularExpression expected(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(env.home()) + u'/' + place));
        QVERIFY2(expected.match(placeOf(what)).hasMatch(), qPrintable(placeOf(what)));
    }

    // Settings under a home are INI files, which any platform can keep in a file of its choosing.
    void settingsBelowTheHomeAreIniFiles() {
        TestEnvironment env;
        QCOMPARE(AppSettings::standard()->format(), QSettings::IniFormat);
        AppSettings::standard()->setValue(QStringLiteral("key"), 1);
        QCOMPARE(QSettings(env.home() + QStringLiteral("/Kestrine.conf"), QSettings::IniFormat)
                     .value(QStringLiteral("key")),
                 QVariant(1));
    }

    // What KESTRINE_HOME names becomes an absolute, clean path; a missing directory is made for
    // the user alone (its parents as any directory), an existing one is left as it is.
    void homeIsAbsoluteAndMadeUserOnly_data() {
        QTest::addColumn<QString>("variable"); // below the test's directory unless absolute
        QTest::addColumn<bool>("exists");      // made beforehand, open to everyone
        QTest::addColumn<QString>("home");     // relative to the test's directory
        QTest::addRow("missing") << "a/b/home" << false << "a/b/home";
        QTest::addRow("relative, from the working directory")
            << "./rel/../home/" << false << "home";
        QTest::addRow("existing, open to others") << "shared" << true << "shared";
    }

    void homeIsAbsoluteAndMadeUserOnly() {
        QFETCH(QString, variable);
        QFETCH(bool, exists);
        QFETCH(QString, home);
        TestEnvironment env;
        const QString working = QDir::currentPath();
        QVERIFY(QDir::setCurrent(env.path()));
        if (exists)
            QVERIFY(QDir().mkpath(variable) && ::chmod(qPrintable(variable), 0777) == 0);
        qputenv(AppPaths::homeVariable, variable.toUtf8());
        const QString chosen = AppPaths::home();
        QVERIFY(QDir::setCurrent(working));
        // The working directory is the canonical one (the Mac's /var is a link).
        QCOMPARE(QFileInfo(chosen).canonicalFilePath(),
                 QFileInfo(env.filePath(home)).canonicalFilePath());
        QCOMPARE(chosen, QDir::cleanPath(chosen));
        QCOMPARE(modeOf(chosen), exists ? 0777 : 0700);
    }

    // Unset or empty, the platform's places stay; the settings keep the organisation's name,
    // which the domain the application also has must not replace: existing users' settings
    // still load. (The Mac's native settings live in its preferences, outside any file name.)
    void withoutHomeThePlatformPlacesStay_data() {
        QTest::addColumn<QByteArray>("variable");
        QTest::addRow("unset") << QByteArray();
        QTest::addRow("empty") << QByteArray("");
    }

    void withoutHomeThePlatformPlacesStay() {
#ifdef Q_OS_DARWIN
        QSKIP("The Mac's native settings are no file of their own.");
#endif
        QFETCH(QByteArray, variable);
        TestEnvironment env;
        QCOMPARE(QCoreApplication::organizationDomain(), QStringLiteral("kestrine.app"));
        if (variable.isNull())
            qunsetenv(AppPaths::homeVariable);
        else
            qputenv(AppPaths::homeVariable, variable);
        QCOMPARE(AppPaths::home(), QString());
        QCOMPARE(PersistentContainer::defaultStorePath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                     QStringLiteral("/Kestrine.sqlite"));
        QCOMPARE(AppPaths::cacheDirectory(),
                 QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        const auto settings = AppSettings::standard();
        QCOMPARE(settings->format(), QSettings::NativeFormat);
        QVERIFY2(settings->fileName().endsWith(QStringLiteral("/Kestrine/Kestrine.conf")),
                 qPrintable(settings->fileName()));
        QVERIFY2(AppSettings::applicationGroup()->fileName().endsWith(
                     QStringLiteral("/Kestrine/KestrineGroup.conf")),
                 qPrintable(AppSettings::applicationGroup()->fileName()));
    }
};

QTEST_GUILESS_MAIN(tst_AppPaths)
#include "tst_AppPaths.moc"
