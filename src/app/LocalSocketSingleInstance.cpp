#include "app/LocalSocketSingleInstance.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {
constexpr int TimeoutMs = 1000;
const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");
} // namespace

LocalSocketSingleInstance::LocalSocketSingleInstance(const QString &serverName, QObject *parent)
    : SingleInstance(parent), m_serverName(serverName) {}

LocalSocketSingleInstance::~LocalSocketSingleInstance() {
    if (m_server)
        m_server->close();
}

QString LocalSocketSingleInstance::defaultServerName() {
    const QString name = u"pikoro-"_s + QString::number(::getuid());
    // The shared temporary folder would let a copy in a session of its own (another seat, a
    // nested or headless compositor with a runtime folder of its own) reach this one and take
    // the play screen's keyboard lock away; the runtime folder belongs to the login.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path = runtime + u'/' + name;
    // A Unix socket path has room for 107 bytes.
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir() || QFile::encodeName(path).size() > 100)
        return name;
    return path;
}

bool LocalSocketSingleInstance::anotherIsRunning() {
    if (m_server && m_server->isListening())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(TimeoutMs)) {
        socket.disconnectFromServer();
        return true;
    }
    switch (socket.error()) {
    case QLocalSocket::ConnectionRefusedError:
        // The socket file is there but nobody answers: a copy crashed without cleaning up.
        QLocalServer::removeServer(m_serverName);
        return false;
    case QLocalSocket::ServerNotFoundError:
        return false;
    default:
        // A copy that is alive but slow to answer still owns the name.
        return socket.error() == QLocalSocket::SocketTimeoutError;
    }
}

bool LocalSocketSingleInstance::listen() {
    if (m_server && m_server->isListening())
        return true;
    // Listening with access options replaces an existing socket file, even a live one.
    if (anotherIsRunning())
        return false;
    if (!m_server) {
        m_server = new QLocalServer(this);
        // Only this user may ask the running copy for anything.
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this,
                &LocalSocketSingleInstance::acceptConnections);
    }
    if (m_server->listen(m_serverName))
        return true;
    // A leftover socket file blocks the name; take it over unless its owner answers.
    if (m_server->serverError() == QAbstractSocket::AddressInUseError && !anotherIsRunning()) {
        QLocalServer::removeServer(m_serverName);
        return m_server->listen(m_serverName);
    }
    return false;
}

void LocalSocketSingleInstance::acceptConnections() {
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        const auto readRequests = [this, client] {
            while (client->canReadLine()) {
                if (client->readLine() == ActivateRequest)
                    emit activationRequested();
            }
        };
        connect(client, &QLocalSocket::readyRead, this, readRequests);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        readRequests();
    }
}

void LocalSocketSingleInstance::askRunningToActivate() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(TimeoutMs))
        return;
    socket.write(ActivateRequest);
    socket.waitForBytesWritten(TimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(TimeoutMs);
}

} // namespace pikoro
