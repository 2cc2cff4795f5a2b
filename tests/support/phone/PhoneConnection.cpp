#include "PhoneConnection.h"

#include <QProcess>
#include <QTcpSocket>
#include <QtEndian>

#include <csignal>

namespace {

constexpr quint32 CNXN = 0x4e584e43;
constexpr quint32 OPEN = 0x4e45504f;
constexpr quint32 OKAY = 0x59414b4f;
constexpr quint32 CLSE = 0x45534c43;
constexpr quint32 WRTE = 0x45545257;

constexpr quint32 protocolVersion = 0x01000001;
constexpr quint32 ownMaxData = 256 * 1024;
constexpr qsizetype headerSize = 24;

// No delayed_ack: every WRTE waits for its OKAY, the flow control adb 29 expects.
const QByteArray banner = "device::ro.product.name=kestrine_phone;ro.product.model=Kestrine_Phone;"
                          "ro.product.device=kphone;features=shell_v2,cmd";

// The shell protocol's packet: an id (1 stdout, 2 stderr, 3 exit status), a length, the bytes.
QByteArray shellPacket(char id, const QByteArray& bytes) {
    QByteArray packet(5, '\0');
    packet[0] = id;
    qToLittleEndian(quint32(bytes.size()), packet.data() + 1);
    return packet + bytes;
}

} // namespace

PhoneConnection::PhoneConnection(QTcpSocket* socket, QString shell, QProcessEnvironment environment)
    : QObject(socket)
    , m_socket(socket)
    , m_shell(std::move(shell))
    , m_environment(std::move(environment)) {
    connect(socket, &QTcpSocket::readyRead, this, &PhoneConnection::readPackets);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        for (const quint32 id : m_streams.keys())
            drop(id);
        m_socket->deleteLater();
    });
}

void PhoneConnection::readPackets() {
    m_input += m_socket->readAll();
    while (m_input.size() >= headerSize) {
        const auto field = [this](int index) {
            return qFromLittleEndian<quint32>(m_input.constData() + 4 * index);
        };
        const quint32 length = field(3);
        if (field(5) != (field(0) ^ 0xffffffff) || length > 1024 * 1024) {
            qWarning("adbphone: not an adb packet; closing the connection");
            m_socket->abort();
            return;
        }
        if (m_input.size() < headerSize + length)
            return;
        const quint32 command = field(0), arg0 = field(1), arg1 = field(2);
        const QByteArray data = m_input.mid(headerSize, length);
        m_input.remove(0, headerSize + length);
        handle(command, arg0, arg1, data);
    }
}

void PhoneConnection::handle(quint32 command, quint32 arg0, quint32 arg1, const QByteArray& data) {
    switch (command) {
    case CNXN:
        // A host that connects again starts from nothing.
        for (const quint32 id : m_streams.keys())
            drop(id);
        m_maxData = qBound<qsizetype>(4096, arg1, ownMaxData);
        send(CNXN, protocolVersion, ownMaxData, banner);
        break;
    case OPEN:
        open(arg0, data.endsWith('\0') ? data.chopped(1) : data);
        break;
    case OKAY:
        if (m_streams.contains(arg1)) {
            m_streams[arg1].awaitingOkay = false;
            pump(arg1);
        }
        break;
    case WRTE:
        // Standard input and window sizes of the shell protocol: read and dropped.
        if (m_streams.contains(arg1))
            send(OKAY, arg1, arg0);
        break;
    case CLSE:
        drop(arg1);
        break;
    default:
        qWarning("adbphone: ignoring the command 0x%08x", command);
    }
}

void PhoneConnection::open(quint32 hostId, const QByteArray& service) {
    Stream stream{.hostId = hostId};
    QByteArray command;
    if (service.startsWith("shell:")) {
        command = service.mid(6);
    } else if (service.startsWith("shell,v2") && service.contains(':')) {
        stream.service = Service::ShellProtocol;
        command = service.mid(service.indexOf(':') + 1);
    } else if (service.startsWith("exec:")) {
        stream.service = Service::Exec;
        command = service.mid(5);
    } else {
        // A CLSE with no local id refuses an OPEN.
        send(CLSE, 0, hostId);
        return;
    }
    const quint32 id = m_nextId++;
    stream.process = new QProcess(this);
    QProcess* process = stream.process;
    m_streams.insert(id, stream);
    send(OKAY, id, hostId);

    process->setProcessEnvironment(m_environment);
    process->setWorkingDirectory(m_environment.value(QStringLiteral("HOME")));
    process->setStandardInputFile(QProcess::nullDevice());
    if (stream.service == Service::Shell)
        process->setProcessChannelMode(QProcess::MergedChannels);
    else if (stream.service == Service::Exec)
        process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this, id, process] { collect(id, 1, process->readAllStandardOutput()); });
    connect(process, &QProcess::readyReadStandardError, this,
            [this, id, process] { collect(id, 2, process->readAllStandardError()); });
    connect(process, &QProcess::finished, this,
            [this, id, process](int exitCode, QProcess::ExitStatus status) {
                collect(id, 1, process->readAllStandardOutput());
                collect(id, 2, process->readAllStandardError());
                finish(id, status == QProcess::NormalExit ? exitCode : 128 + SIGKILL);
            });
    process->start(m_shell, {QStringLiteral("-c"), QString::fromUtf8(command)});
}

void PhoneConnection::collect(quint32 id, char channel, const QByteArray& bytes) {
    if (bytes.isEmpty() || !m_streams.contains(id))
        return;
    Stream& stream = m_streams[id];
    stream.pending +=
        stream.service == Service::ShellProtocol ? shellPacket(channel, bytes) : bytes;
    pump(id);
}

void PhoneConnection::finish(quint32 id, int exitCode) {
    if (!m_streams.contains(id))
        return;
    Stream& stream = m_streams[id];
    if (stream.service == Service::ShellProtocol)
        stream.pending += shellPacket(3, QByteArray(1, char(exitCode)));
    stream.finished = true;
    pump(id);
}

void PhoneConnection::pump(quint32 id) {
    Stream& stream = m_streams[id];
    if (stream.awaitingOkay)
        return;
    if (!stream.pending.isEmpty()) {
        send(WRTE, id, stream.hostId, stream.pending.left(m_maxData));
        stream.pending.remove(0, m_maxData);
        stream.awaitingOkay = true;
    } else if (stream.finished) {
        send(CLSE, id, stream.hostId);
        drop(id);
    }
}

void PhoneConnection::drop(quint32 id) {
    const Stream stream = m_streams.take(id);
    if (!stream.process)
        return;
    stream.process->disconnect(this);
    if (stream.process->state() != QProcess::NotRunning) {
        stream.process->kill();
        stream.process->waitForFinished(1000);
    }
    stream.process->deleteLater();
}

void PhoneConnection::send(quint32 command, quint32 arg0, quint32 arg1, const QByteArray& data) {
    QByteArray packet(headerSize, '\0');
    quint32 checksum = 0;
    for (const char byte : data)
        checksum += quint8(byte);
    const quint32 fields[] = {
        command, arg0, arg1, quint32(data.size()), checksum, command ^ 0xffffffff};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian(fields[i], packet.data() + 4 * i);
    m_socket->write(packet + data);
}
