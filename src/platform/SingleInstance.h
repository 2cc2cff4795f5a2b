#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// A QObject that keeps one running Kestrine per store. The first process to `claim` a key
// listens on a local socket in a directory of the user's alone (KESTRINE_HOME or the runtime
// directory, else one made in the temporary directory, or in /tmp where that one's path leaves no
// room: a local socket's path holds about 100 bytes); a later launch with the same key finds it
// there, asks it to come forward and is told to exit. Either side heeds only a process of the same
// user. A socket file left behind by a crashed instance answers no one and is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` tells instances apart; Kestrine passes its store's path, so two stores may run side
    // by side while two windows on one store cannot.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running instance (also when the socket cannot be set up
    // at all, or there is no private directory for it: Kestrine then runs without the guard); false
    // when a running instance was asked to come forward and this process should exit.
    [[nodiscard]] bool claim();

    // The socket's path; empty when there is no private directory for it.
    [[nodiscard]] const QString& socketPath() const { return m_socketPath; }

Q_SIGNALS:
    // A later launch asked the running instance to come forward.
    void activationRequested();

private:
    bool askRunningInstance() const;
    void listen();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
