#include "AdbPhone.h"

#include "StandInTools.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>

AdbPhone::AdbPhone(const QString& parentDirectory)
    : m_directory(parentDirectory + QStringLiteral("/AdbPhone-XXXXXX")) {
    if (!m_directory.isValid())
        qFatal("AdbPhone: cannot create a temporary directory");
    configure({});
    m_phone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_phone.start(
        QStringLiteral(ADBPHONE_EXECUTABLE),
        {QStringLiteral(KESTRINE_SOURCE_DIR "/tests/support/phone/bin"), m_directory.path()});
    const QDeadlineTimer deadline(10000);
    while (!m_phone.canReadLine() && m_phone.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    const QByteArray port = m_phone.readLine().trimmed();
    if (port.isEmpty())
        qFatal("AdbPhone: the phone did not start");
    m_serial = QStringLiteral("127.0.0.1:") + QString::fromLatin1(port);

    QTcpServer probe; // a port nobody listens on right now
    if (!probe.listen(QHostAddress::LocalHost, 0))
        qFatal("AdbPhone: no free port for the adb server");
    m_serverPort = QByteArray::number(probe.serverPort());
    probe.close();
    qputenv("ANDROID_ADB_SERVER_PORT", m_serverPort);
    QDir().mkpath(serverHome());
    // connect starts the server; the phone is usable once the handshake is through.
    adb({QStringLiteral("connect"), m_serial});
    adb({QStringLiteral("-s"), m_serial, QStringLiteral("wait-for-device")});
    const QByteArray devices = adb({QStringLiteral("devices")});
    if (!devices.contains(m_serial.toUtf8() + "\tdevice")) {
        adb({QStringLiteral("kill-server")});
        qFatal("AdbPhone: adb does not list the phone as a device:\n%s", devices.constData());
    }
}

AdbPhone::~AdbPhone() {
    adb({QStringLiteral("kill-server")});
    QFile::remove(serverHome() + QStringLiteral("/.android/adb.") +
                  QString::fromLatin1(m_serverPort));
    m_phone.closeWriteChannel(); // the phone ends when its input does
    if (!m_phone.waitForFinished(5000))
        m_phone.kill();
    m_phone.waitForFinished(5000);
}

QString AdbPhone::serverHome() {
    return QStringLiteral(KESTRINE_TEST_BINARY_DIR "/adb-server-home");
}

bool AdbPhone::available() {
    return QFile::exists(adbPath()) &&
           !QStandardPaths::findExecutable(QStringLiteral("mksh")).isEmpty();
}

void AdbPhone::configure(const QByteArray& apps, const QByteArray& properties) const {
    StandInTools::writeFile(m_directory.filePath(QStringLiteral("apps")), apps);
    StandInTools::writeFile(m_directory.filePath(QStringLiteral("props")), properties);
}

QList<QStringList> AdbPhone::calls() const {
    QFile file(m_directory.filePath(QStringLiteral("calls")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Each call: its word count, then the words, every field NUL-terminated.
    const QList<QByteArray> fields = file.readAll().split('\0');
    QList<QStringList> calls;
    for (qsizetype i = 0; i + 1 < fields.size();) {
        const qsizetype count = fields[i++].toLongLong();
        QStringList words;
        for (qsizetype end = std::min(i + count, fields.size() - 1); i < end; ++i)
            words.append(QString::fromUtf8(fields[i]));
        calls.append(words);
    }
    return calls;
}

QByteArray AdbPhone::adb(const QStringList& arguments) const {
    QProcess adb;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Named here too: the test may have changed its own environment since.
    environment.insert(QStringLiteral("ANDROID_ADB_SERVER_PORT"),
                       QString::fromLatin1(m_serverPort));
    // The server makes its key in ~/.android when there is none; one kept for every test saves
    // that time (the phone never asks for the key).
    environment.insert(QStringLiteral("HOME"), serverHome());
    adb.setProcessEnvironment(environment);
    // Not the server's "daemon started" notes.
    adb.setStandardErrorFile(QProcess::nullDevice());
    adb.start(adbPath(), arguments);
    if (!adb.waitForFinished(20000))
        adb.kill();
    adb.waitForFinished();
    return adb.readAllStandardOutput();
}
