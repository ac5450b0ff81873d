#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
constexpr int kConnectMs = 500;
constexpr char kActivate[] = "activate\n";
}  // namespace

QString SingleInstance::defaultName() {
    return u"brightloft-%1"_qs.arg(::getuid());
}

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent), m_name(name) {}

bool SingleInstance::handOver() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(kConnectMs)) {
        socket.write(kActivate);
        socket.waitForBytesWritten(kConnectMs);
        socket.disconnectFromServer();
        return true;
    }
    listen();
    return false;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket file left there is from a copy that crashed.
    QLocalServer::removeServer(m_name);
    m_server->listen(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(kActivate))
                    Q_EMIT activationRequested();
            });
        }
    });
}
