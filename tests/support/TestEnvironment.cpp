#include "TestEnvironment.h"

#include "platform/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TestEnvironment::TestEnvironment()
    : m_savedHome(qgetenv("HOME"))
    , m_savedTmpDir(qEnvironmentVariableIsSet("TMPDIR") ? qgetenv("TMPDIR") : QByteArray()) {
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrine"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrine"));
    // Test mode keeps everything below ~/.qttest; a home of our own keeps parallel tests apart.
    const QString root = m_directory.path();
    qputenv("HOME", root.toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    qputenv("TMPDIR", (root + QStringLiteral("/tmp")).toUtf8());
    QDir(root).mkpath(QStringLiteral("tmp"));
    AppSettings::redirectTo(root + QStringLiteral("/settings"));
    Logger::setCaptureSink([this](const LogRecord& record) {
        const QMutexLocker lock(&m_mutex);
        m_records.append(record);
    });
}

TestEnvironment::~TestEnvironment() {
    Logger::setCaptureSink({});
    qputenv("HOME", m_savedHome);
    if (m_savedTmpDir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_savedTmpDir);
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
