#include "TestEnvironment.h"

#include "platform/AppPaths.h"
#include "platform/SingleInstance.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A local socket's path holds 104 bytes on the Mac, the final zero included.
constexpr qsizetype socketPathLimit = 103;

struct Owner {
    uid_t uid = 0;
    int mode = 0;
};

Owner ownerOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {uid_t(-1), -1};
    return {info.st_uid, int(info.st_mode & 07777)};
}

} // namespace

// The instance socket goes to a directory of this user's alone whose path leaves room for it:
// KESTRINE_HOME, else the runtime directory, else one of the temporary directory's, else one in
// /tmp when the temporary directory's path is too long. A directory open to others, a link or
// another user's could let someone else answer for Kestrine, so it is passed over.
class tst_SingleInstance : public QObject {
    Q_OBJECT

    // Makes the directory `name` in `env` as `state` says; its path, empty for "unset".
    static QString prepare(const TestEnvironment& env, const QString& state, const QString& name) {
        if (state == u"unset")
            return {};
        // Below a user name as long as any, as a home usually is.
        const QString path =
            state == u"long"
                ? env.filePath(QStringLiteral("Users/") + QString(100, u'u') + u'/' + name)
                : env.filePath(name);
        const QString made = state == u"link" ? path + QStringLiteral("-target") : path;
        if (!QDir().mkpath(made) || ::chmod(qPrintable(made), state == u"open" ? 0777 : 0700) != 0)
            return QStringLiteral("(not made)");
        if (state == u"link" && !QFile::link(made, path))
            return QStringLiteral("(no link)");
        if (state == u"foreign" && ::chown(qPrintable(made), 65534, 65534) != 0)
            return {};
        return path;
    }

private Q_SLOTS:
    void socketGoesToAPrivateShortDirectory_data() {
        QTest::addColumn<QString>("home");      // what KESTRINE_HOME names
        QTest::addColumn<QString>("runtime");   // what XDG_RUNTIME_DIR names
        QTest::addColumn<QString>("temporary"); // TMPDIR: short, long, or with an open fallback
        QTest::addColumn<QString>("expected");  // home, runtime, temporary, tmp or none
        const auto add = [](const char* name, const char* home, const char* runtime,
                            const char* temporary, const char* expected) {
            QTest::addRow("%s", name)
                << QString::fromLatin1(home) << QString::fromLatin1(runtime)
                << QString::fromLatin1(temporary) << QString::fromLatin1(expected);
        };
        add("home", "private", "unset", "short", "home");
        add("home before the runtime directory", "private", "private", "short", "home");
        add("home open to others", "open", "private", "short", "temporary");
        add("home a link", "link", "unset", "short", "temporary");
        add("home of another user", "foreign", "unset", "short", "temporary");
        add("home under a long user name", "long", "unset", "short", "temporary");
        add("home and temporary directory too long", "long", "unset", "long", "tmp");
        add("runtime directory", "unset", "private", "short", "runtime");
        add("neither home nor runtime directory", "unset", "unset", "short", "temporary");
        add("runtime directory open to others", "unset", "open", "short", "temporary");
        add("runtime directory a link", "unset", "link", "short", "temporary");
        add("runtime directory of another user", "unset", "foreign", "short", "temporary");
        add("runtime directory too long", "unset", "long", "short", "temporary");
        add("temporary directory too long", "unset", "unset", "long", "tmp");
        add("nothing private", "open", "open", "open", "none");
    }

    void socketGoesToAPrivateShortDirectory() {
        QFETCH(QString, home);
        QFETCH(QString, runtime);
        QFETCH(QString, temporary);
        QFETCH(QString, expected);
        TestEnvironment env;
        if ((home == u"foreign" || runtime == u"foreign") && ::geteuid() != 0)
            QSKIP("Only root can give a directory to another user.");
        const QString homePath = prepare(env, home, QStringLiteral("kestrine-home"));
        const QString runtimePath = prepare(env, runtime, QStringLiteral("runtime"));
        if (homePath.isEmpty())
            qunsetenv(AppPaths::homeVariable);
        else
            qputenv(AppPaths::homeVariable, homePath.toUtf8());
        if (runtimePath.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtimePath.toUtf8());
        if (temporary == u"long") {
            const QString path = env.filePath(QString(90, u't'));
            QVERIFY(QDir().mkpath(path));
            qputenv("TMPDIR", path.toUtf8());
        }
        const QString own = QStringLiteral("/kestrine-%1").arg(::geteuid());
        if (temporary == u"open")
            QVERIFY(QDir().mkpath(QDir::tempPath() + own) &&
                    ::chmod(qPrintable(QDir::tempPath() + own), 0777) == 0);
        const QString directory = expected == u"home"        ? homePath
                                  : expected == u"runtime"   ? runtimePath
                                  : expected == u"temporary" ? QDir::tempPath() + own
                                  : expected == u"tmp"       ? QStringLiteral("/tmp") + own
                                                             : QString();

        SingleInstance first(QStringLiteral("/a/store"));
        const QString socket = first.socketPath();
        if (directory.isEmpty()) {
            QCOMPARE(socket, QString());
            return;
        }
        QCOMPARE(QFileInfo(socket).path(), directory);
        QVERIFY(QFile::encodeName(socket).size() <= socketPathLimit);
        QCOMPARE(ownerOf(directory).uid, ::geteuid());
        QCOMPARE(ownerOf(directory).mode, 0700);

        // The socket works there: a later instance on the same store hands over.
        QSignalSpy activations(&first, &SingleInstance::activationRequested);
        QVERIFY(activations.isValid());
        QVERIFY(first.claim());
        QVERIFY(QFileInfo::exists(socket));
        SingleInstance later(QStringLiteral("/a/store"));
        QCOMPARE(later.socketPath(), socket);
        QVERIFY(!later.claim());
        QTRY_COMPARE(activations.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
