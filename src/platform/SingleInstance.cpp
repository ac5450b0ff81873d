#include "platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

namespace {

constexpr int kConnectMs = 500;
// How long a second copy waits for the first one to start listening.
constexpr int kWaitForListenerMs = 2000;
constexpr char kActivate[] = "activate\n";

// A real folder (not a link to one) owned by us that nobody else may enter.
bool isPrivate(const QByteArray &path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 07777) == 0700;
}

// The user id at the other end of a connected local socket, or -1.
qint64 peerUid(qintptr descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 ||
        ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) < 0)
        return -1;
    return credentials.uid;
}

bool peerIsUs(const QLocalSocket &socket) {
    return peerUid(socket.socketDescriptor()) == qint64(::getuid());
}

}  // namespace

QString SingleInstance::privateFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivate(runtime) && ::access(runtime.constData(), W_OK) == 0)
        return QFile::decodeName(runtime);
    const QByteArray fallback =
        QFile::encodeName(QDir::tempPath() + u"/brightloft-%1"_qs.arg(::getuid()));
    // mkdir never follows a link and fails on anything already there, which
    // is then taken only if it passes the same test.
    if (::mkdir(fallback.constData(), 0700) < 0 && errno != EEXIST)
        return {};
    return isPrivate(fallback) ? QFile::decodeName(fallback) : QString();
}

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder) {}

SingleInstance::~SingleInstance() {
    if (m_lock >= 0)
        ::close(m_lock);
}

QString SingleInstance::socketPath() const {
    return m_folder + u"/brightloft.socket"_qs;
}

bool SingleInstance::handOver() {
    if (m_folder.isEmpty())
        return false;
    const QByteArray lockPath = QFile::encodeName(m_folder + u"/brightloft.lock"_qs);
    m_lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_lock < 0)
        return false;  // no place to meet: run unguarded
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0) {
            listen();
            return false;
        }
        if (askRunningCopy())
            return true;
        if (waited.elapsed() >= kWaitForListenerMs)
            break;
        QThread::msleep(50);
    }
    // A copy holds the lock but never answered: it runs, so this one does not.
    std::fprintf(stderr, "Brightloft is already running.\n");
    return true;
}

bool SingleInstance::askRunningCopy() const {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kConnectMs))
        return false;
    if (!peerIsUs(socket))
        return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left there is from a copy that died.
    QLocalServer::removeServer(socketPath());
    m_server->listen(socketPath());
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (!peerIsUs(*client)) {
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(kActivate))
                    Q_EMIT activationRequested();
            });
        }
    });
}
