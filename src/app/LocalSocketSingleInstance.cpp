#include "app/LocalSocketSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {
const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");
// A request is one short line: more from one client than this is not ours.
constexpr qsizetype MaxPending = 256;

bool socketAddress(const QString &path, sockaddr_un &address) {
    const QByteArray encoded = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || encoded.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    return true;
}
} // namespace

LocalSocketSingleInstance::LocalSocketSingleInstance(const QString &serverName, QObject *parent)
    : SingleInstance(parent),
      m_path(serverName.startsWith(u'/') ? serverName : QDir::tempPath() + u'/' + serverName) {}

LocalSocketSingleInstance::~LocalSocketSingleInstance() {
    closeServer();
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

int LocalSocketSingleInstance::connectToRunning() const {
    sockaddr_un address;
    if (!socketAddress(m_path, address)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool LocalSocketSingleInstance::anotherIsRunning() {
    if (m_listening >= 0)
        return false;
    const int fd = connectToRunning();
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    // A copy that is alive but slow to accept still owns the name. A socket file nobody answers
    // on (ECONNREFUSED) was left by a copy that crashed: listen() takes it over.
    return errno == EAGAIN;
}

bool LocalSocketSingleInstance::listen() {
    if (m_listening >= 0)
        return true;
    if (anotherIsRunning())
        return false;
    sockaddr_un address;
    if (!socketAddress(m_path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Only this user may ask the running copy for anything: the socket file is made private
    // as it is made (nothing else of the program runs beside this yet).
    const auto bindName = [&] {
        const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
        const bool done =
            ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
        ::umask(previous);
        return done;
    };
    bool bound = bindName();
    // A leftover socket file blocks the name; take it over unless its owner answers.
    if (!bound && errno == EADDRINUSE && !anotherIsRunning()) {
        ::unlink(address.sun_path);
        bound = bindName();
    }
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_listening = fd;
    m_acceptNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_acceptNotifier.get(), &QSocketNotifier::activated, this,
            &LocalSocketSingleInstance::acceptConnections);
    return true;
}

void LocalSocketSingleInstance::acceptConnections() {
    for (;;) {
        const int fd = ::accept4(m_listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        Client *raw = client.get();
        connect(client->notifier.get(), &QSocketNotifier::activated, this,
                [this, raw] { readFrom(*raw); });
        m_clients.push_back(std::move(client));
        readFrom(*raw);
    }
}

void LocalSocketSingleInstance::readFrom(Client &client) {
    if (client.fd < 0)
        return;
    char buffer[64];
    bool ended = false;
    for (;;) {
        const ssize_t got = ::read(client.fd, buffer, sizeof(buffer));
        if (got > 0) {
            client.received.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        ended = got == 0 || errno != EAGAIN;
        break;
    }
    qsizetype end;
    while ((end = client.received.indexOf('\n')) >= 0) {
        const bool activate = client.received.left(end + 1) == ActivateRequest;
        client.received.remove(0, end + 1);
        if (activate)
            emit activationRequested();
    }
    if (!ended && client.received.size() <= MaxPending)
        return;
    ::close(client.fd);
    client.fd = -1;
    client.notifier->setEnabled(false);
    // Removed once back in the event loop: this runs from the client's own notifier.
    QMetaObject::invokeMethod(
        this, [this] { std::erase_if(m_clients, [](const auto &c) { return c->fd < 0; }); },
        Qt::QueuedConnection);
}

void LocalSocketSingleInstance::askRunningToActivate() {
    const int fd = connectToRunning();
    if (fd < 0)
        return;
    // Nine bytes always fit a fresh socket's buffer: the write does not block.
    const ssize_t written = ::write(fd, ActivateRequest.constData(), ActivateRequest.size());
    Q_UNUSED(written);
    ::close(fd);
}

void LocalSocketSingleInstance::closeServer() {
    for (const auto &client : m_clients)
        if (client->fd >= 0)
            ::close(client->fd);
    m_clients.clear();
    if (m_listening < 0)
        return;
    m_acceptNotifier.reset();
    ::close(m_listening);
    ::unlink(QFile::encodeName(m_path).constData());
    m_listening = -1;
}

} // namespace pikoro
