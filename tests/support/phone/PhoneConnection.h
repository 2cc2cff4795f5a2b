#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

class QProcess;
class QTcpSocket;

// QObject that serves one adb host on a TCP socket as an Android phone with USB debugging
// allowed: it answers the host's CNXN without AUTH, and every stream the host opens
// ("shell:", "shell,v2:", "shell,v2,raw:", "exec:") runs one command through `shell` -c, its
// output going back one WRTE at a time, each after the host's OKAY of the one before.
// Deletes itself when the host disconnects.
class PhoneConnection : public QObject {
public:
    PhoneConnection(QTcpSocket* socket, QString shell, QProcessEnvironment environment);

private:
    enum class Service { Shell, ShellProtocol, Exec };

    struct Stream {
        quint32 hostId = 0;
        Service service = Service::Shell;
        QProcess* process = nullptr;
        QByteArray pending; // written to the host as it acknowledges
        bool awaitingOkay = false;
        bool finished = false;
    };

    void readPackets();
    void handle(quint32 command, quint32 arg0, quint32 arg1, const QByteArray& data);
    void open(quint32 hostId, const QByteArray& service);
    void collect(quint32 id, char channel, const QByteArray& bytes);
    void finish(quint32 id, int exitCode);
    // Sends what the stream may send now: its next write, else its close once it finished.
    void pump(quint32 id);
    void drop(quint32 id);
    void send(quint32 command, quint32 arg0, quint32 arg1, const QByteArray& data = {});

    QTcpSocket* m_socket;
    QString m_shell;
    QProcessEnvironment m_environment;
    QByteArray m_input;
    QHash<quint32, Stream> m_streams;
    quint32 m_nextId = 1;
    qsizetype m_maxData = 4096; // until the host's CNXN says more
};
