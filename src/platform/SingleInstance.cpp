#include "platform/SingleInstance.h"

#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const Logger& logger() {
    static const Logger instance(QString::fromLatin1(AppIdentity::bundleIdentifier),
                                 QStringLiteral("SingleInstance"));
    return instance;
}

constexpr int answerTimeoutMsecs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent) {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath();
    // A hash keeps the name short: a local socket's path is limited to about 100 bytes.
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(key).toUtf8(), QCryptographicHash::Sha256);
    m_socketPath = directory + u'/' + QString::fromLatin1(AppIdentity::bundleIdentifier) + u'-' +
                   QString::fromLatin1(digest.toHex().left(16)) + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    // Two launches at the same moment would both find no one and both listen; the lock makes
    // one of them wait until the other is listening.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(answerTimeoutMsecs))
        logger().error(u"Could not lock %{public}s; going on without it", lock.fileName());
    if (askRunningInstance()) {
        logger().info(u"Kestrine is already running; asked it to come forward");
        return false;
    }
    listen();
    return true;
}

bool SingleInstance::askRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(answerTimeoutMsecs))
        return false;
    socket.write("activate\n");
    // An instance that accepted the connection is alive even if the write is slow to drain.
    socket.waitForBytesWritten(answerTimeoutMsecs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket file still there is a crashed instance's.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath)) {
        logger().error(u"Could not listen on %{public}s: %{public}s", m_socketPath,
                       m_server->errorString());
        return;
    }
    logger().info(u"Listening for later launches on %{public}s", m_socketPath);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            logger().info(u"A later launch asked Kestrine to come forward");
            Q_EMIT activationRequested();
        }
    });
}
