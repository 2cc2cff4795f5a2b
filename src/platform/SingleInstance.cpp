#include "platform/SingleInstance.h"

#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"
#include "platform/Logger.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const Logger& logger() {
    static const Logger instance(QString::fromLatin1(AppIdentity::bundleIdentifier),
                                 QStringLiteral("SingleInstance"));
    return instance;
}

constexpr int answerTimeoutMsecs = 2000;
// A local socket's path holds 104 bytes on macOS (108 on Linux), the final zero included.
constexpr qsizetype maximumSocketPathBytes = 103;

// A directory (not a link to one) of this user's that no one else may enter or write to. Another
// user who could plant a socket there could make every launch hand over to it and exit.
bool isPrivateDirectory(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The process at the other end of `socket` runs as this user.
bool isOwnPeer(const QLocalSocket& socket) {
    const int descriptor = int(socket.socketDescriptor());
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(descriptor, &uid, &gid) == 0 && uid == ::geteuid();
#endif
}

bool fits(const QString& directory, const QString& name) {
    return QFile::encodeName(directory + u'/' + name).size() <= maximumSocketPathBytes;
}

// The runtime directory (AppPaths) when it is private and short enough, else a private one made
// in the temporary directory: /tmp's when the temporary directory's own path is too long (a
// long TMPDIR), so that any user gets a socket. Empty when none is private.
QString socketDirectory(const QString& name) {
    const QString runtime = AppPaths::runtimeDirectory();
    const QString own = QStringLiteral("/kestrine-%1").arg(::geteuid());
    QString temporary = QDir::tempPath() + own;
    if (!fits(temporary, name))
        temporary = QStringLiteral("/tmp") + own;
    for (const QString& directory : {runtime, temporary}) {
        if (directory.isEmpty())
            continue;
        if (!fits(directory, name)) {
            logger().error(u"Not using %{public}s for the instance socket: its path is too long",
                           directory);
            continue;
        }
        if (directory == temporary)
            ::mkdir(QFile::encodeName(temporary).constData(), 0700); // may exist; checked next
        if (isPrivateDirectory(directory))
            return directory;
        logger().error(u"Not using %{public}s for the instance socket: it is not a private "
                       u"directory of this user",
                       directory);
    }
    return {};
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent) {
    // A hash keeps the name short: a local socket's path is limited to about 100 bytes.
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(key).toUtf8(), QCryptographicHash::Sha256);
    const QString name =
        QStringLiteral("Kestrine-%1.socket").arg(QString::fromLatin1(digest.toHex().left(16)));
    const QString directory = socketDirectory(name);
    if (!directory.isEmpty())
        m_socketPath = directory + u'/' + name;
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    if (m_socketPath.isEmpty()) {
        logger().error(u"Found no private directory for the instance socket; a later launch "
                       u"will open a second window");
        return true;
    }
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
    if (!isOwnPeer(socket)) {
        logger().error(u"Another user listens on %{public}s; taking the socket over", m_socketPath);
        return false;
    }
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
            const bool own = isOwnPeer(*socket);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            if (!own) {
                logger().error(u"Ignored a launch by another user");
                continue;
            }
            logger().info(u"A later launch asked Kestrine to come forward");
            Q_EMIT activationRequested();
        }
    });
}

#include "moc_SingleInstance.cpp"
