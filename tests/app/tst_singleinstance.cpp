#include "TestRunner.h"

#include "app/LocalSocketSingleInstance.h"
#include "app/SessionBus.h"

#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
QString uniqueName() {
    return u"pikoro-test-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// The socket file of a copy that died without closing its server: bound, never listened on,
// left in place.
bool leaveStaleSocket(const QString &path) {
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondCopySeesFirstAndAsksForActivation() {
        const QString name = uniqueName();
        LocalSocketSingleInstance second(name);
        {
            LocalSocketSingleInstance first(name);
            QVERIFY(!first.anotherIsRunning());
            QVERIFY(first.listen());
            QVERIFY(second.anotherIsRunning());
            QVERIFY(!second.listen());

            QSignalSpy activated(&first, &SingleInstance::activationRequested);
            second.askRunningToActivate();
            QVERIFY(activated.wait(5000));
            // One request, one activation; the plain check before it asked for nothing.
            QCoreApplication::processEvents();
            QCOMPARE(activated.size(), 1);
        }
        // The name is free again once the first copy ends.
        QVERIFY(!second.anotherIsRunning());
        QVERIFY(second.listen());
    }

    void listenTakesOverStaleSocketByItself() {
        const QString name = uniqueName();
        LocalSocketSingleInstance starting(name);
        QVERIFY(leaveStaleSocket(starting.socketPath()));
        QVERIFY(starting.listen());
        LocalSocketSingleInstance later(name);
        QVERIFY(later.anotherIsRunning());
    }
};
// Without a desktop session bus the program looks where desktops put theirs and never starts one
// of its own; a bus the session names is kept.
class SessionBusTest : public QObject {
    Q_OBJECT
private slots:
    void looksOnlyWhereTheDesktopPutsIt() {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", "/tmp/pikoro-runtime");
        useOnlyDesktopSessionBus();
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "unix:path=/tmp/pikoro-runtime/bus");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:abstract=desktop-bus");
        useOnlyDesktopSessionBus();
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "unix:abstract=desktop-bus");
        address.isEmpty() ? qunsetenv("DBUS_SESSION_BUS_ADDRESS")
                          : qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
};

PIKORO_TEST_CLASS(SingleInstanceTest)
PIKORO_TEST_CLASS(SessionBusTest)

#include "tst_singleinstance.moc"
