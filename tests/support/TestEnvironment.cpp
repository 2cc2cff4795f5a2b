#include "TestEnvironment.h"

#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"
#include "platform/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TestEnvironment::TestEnvironment() {
    for (const char* name :
         {AppPaths::homeVariable, "HOME", "TMPDIR", "PATH", "ANDROID_HOME", "ANDROID_SDK_ROOT",
          "ANDROID_ADB_SERVER_PORT", "KESTRINE_TOOL_TIMEOUT", "XDG_RUNTIME_DIR"})
        m_savedVariables.append(
            {name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
    AppIdentity::nameApplication();
    // Kestrine's own files, in this process and in every child it starts (which inherit the
    // variable), go below home(): the Mac ignores XDG_* and HOME for its own places. HOME and
    // test mode still keep what Qt itself writes away from the user's.
    const QString root = m_directory.path();
    qputenv(AppPaths::homeVariable, home().toUtf8());
    qputenv("HOME", root.toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    qputenv("TMPDIR", (root + QStringLiteral("/tmp")).toUtf8());
    QDir(root).mkpath(QStringLiteral("tmp"));
    // The platform's native settings could not be sent anywhere else.
    if (const auto settings = AppSettings::standard();
        settings->format() != QSettings::IniFormat || !settings->fileName().startsWith(home()))
        qFatal("TestEnvironment: the settings are not below %s", qPrintable(home()));
    // An adb found on this machine would start a real adb server; this one lists nothing.
    const QString adb = root + QStringLiteral("/no-devices-sdk/platform-tools/adb");
    QDir(root).mkpath(QStringLiteral("no-devices-sdk/platform-tools"));
    writeFile(QStringLiteral("no-devices-sdk/platform-tools/adb"),
              "#!/bin/sh\necho 'List of devices attached'\n");
    QFile::setPermissions(adb, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("ANDROID_HOME", (root + QStringLiteral("/no-devices-sdk")).toUtf8());
    Logger::setCaptureSink([this](const LogRecord& record) {
        const QMutexLocker lock(&m_mutex);
        m_records.append(record);
    });
}

TestEnvironment::~TestEnvironment() {
    Logger::setCaptureSink({});
    for (const auto& [name, value] : m_savedVariables) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

QStringList TestEnvironment::messages(const QString& category) const {
    const QMutexLocker lock(&m_mutex);
    QStringList lines;
    for (const LogRecord& record : m_records) {
        if (category.isEmpty() || record.category == category)
            lines.append(record.message);
    }
    return lines;
}

void TestEnvironment::clearLog() {
    const QMutexLocker lock(&m_mutex);
    m_records.clear();
}

QString TestEnvironment::makeFifo(const QString& name) const {
    const QString path = filePath(name);
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot create the FIFO %s", qPrintable(path));
    return path;
}

void TestEnvironment::releaseFifoReader(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

QString TestEnvironment::writeFile(const QString& name, const QByteArray& contents) const {
    const QString path = filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
