#include "ui/DesktopScreenAwake.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef PIKORO_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <array>
#endif
#ifdef PIKORO_HAVE_WAYLAND
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "ui/WaylandGlobal.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>
#endif
// Last: the X11 headers define names (None, Bool, Status) that Qt's headers use.
#ifdef PIKORO_HAVE_XSS
#include <X11/extensions/scrnsaver.h>
#endif

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

#ifdef PIKORO_HAVE_DBUS
// The services on the session bus that keep the screen on, each asked where it is there:
// the screen-saver service (KDE, Xfce, LXQt) and GNOME's session, whose screen-saver service
// has no such call.
struct BusService {
    QString name; // also the interface's
    QString path;
    QString letGo; // the call that gives the cookie back
    QVariantList inhibitArguments() const {
        const QString app = QGuiApplication::desktopFileName();
        const QString reason = u"子どもが遊んでいます"_s;
        if (name.startsWith(u"org.gnome."_s)) // no window named; 8: idle
            return {app, 0u, reason, 8u};
        return {app, reason};
    }
};

const std::array<BusService, 2> &busServices() {
    static const std::array<BusService, 2> services{{
        {u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s, u"UnInhibit"_s},
        {u"org.gnome.SessionManager"_s, u"/org/gnome/SessionManager"_s, u"Uninhibit"_s},
    }};
    return services;
}

QDBusMessage busCall(const BusService &service, const QString &method) {
    return QDBusMessage::createMethodCall(service.name, service.path, service.name, method);
}

// A bus that does not answer must not hold up the play screen, nor the end of the program.
constexpr int BusTimeout = 2000;

// Only a bus that is there: without one, the D-Bus library would start a bus of its own for
// the X display (dbus-launch), which outlives the program.
bool hasSessionBus() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/bus"_s);
}
#endif

#ifdef PIKORO_HAVE_XSS
Display *x11Display() {
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
#endif

} // namespace

#ifdef PIKORO_HAVE_WAYLAND
// The idle inhibitor lives on an event queue of its own on Qt's connection, as the keyboard
// lock's objects do; it has no events, so the queue is only read at the start.
struct DesktopScreenAwake::Wayland {
    WaylandGlobal global{zwp_idle_inhibit_manager_v1_interface};
    wl_display *display = global.display();
    zwp_idle_inhibit_manager_v1 *manager = global.bound<zwp_idle_inhibit_manager_v1>();
    zwp_idle_inhibitor_v1 *inhibitor = nullptr;
    wl_surface *surface = nullptr; // the inhibitor's

    ~Wayland() {
        drop();
        if (manager)
            zwp_idle_inhibit_manager_v1_destroy(manager);
    }

    void keepOn(QWindow &window) {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        if (!manager || !window.handle() || !native)
            return;
        // A window shown anew has a new surface; the inhibitor went with the old one.
        auto *current =
            static_cast<wl_surface *>(native->nativeResourceForWindow("surface", &window));
        if (!current || current == surface)
            return;
        drop();
        inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(manager, current);
        surface = current;
        wl_display_flush(display);
    }

    void drop() {
        if (!inhibitor)
            return;
        zwp_idle_inhibitor_v1_destroy(inhibitor);
        inhibitor = nullptr;
        surface = nullptr;
        wl_display_flush(display);
    }
};
#else
struct DesktopScreenAwake::Wayland {
    void keepOn(QWindow &) {}
    void drop() {}
};
#endif

DesktopScreenAwake::DesktopScreenAwake() : m_wayland(std::make_unique<Wayland>()) {}

DesktopScreenAwake::~DesktopScreenAwake() {
    letBlank();
}

void DesktopScreenAwake::keepOn(QWindow &window) {
    m_wayland->keepOn(window);
    if (m_on)
        return;
    m_on = true;
#ifdef PIKORO_HAVE_DBUS
    for (std::size_t i = 0; hasSessionBus() && i < busServices().size(); ++i) {
        QDBusMessage inhibit = busCall(busServices()[i], u"Inhibit"_s);
        inhibit.setArguments(busServices()[i].inhibitArguments());
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(inhibit, QDBus::Block, BusTimeout);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1)
            m_busCookies[i] = reply.arguments().constFirst().toUInt();
    }
#endif
#ifdef PIKORO_HAVE_XSS
    int eventBase = 0;
    int errorBase = 0;
    if (Display *display = x11Display();
        display && XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        // Also holds off the monitor's power saving (DPMS).
        XScreenSaverSuspend(display, True);
        XFlush(display);
        m_x11Suspended = true;
    }
#endif
}

void DesktopScreenAwake::letBlank() {
    m_wayland->drop();
    m_on = false;
#ifdef PIKORO_HAVE_DBUS
    for (std::size_t i = 0; i < busServices().size(); ++i) {
        if (!m_busCookies[i])
            continue;
        QDBusMessage letGo = busCall(busServices()[i], busServices()[i].letGo);
        letGo << *m_busCookies[i];
        QDBusConnection::sessionBus().call(letGo, QDBus::Block, BusTimeout);
        m_busCookies[i].reset();
    }
#endif
#ifdef PIKORO_HAVE_XSS
    if (Display *display = x11Display(); m_x11Suspended && display) {
        XScreenSaverSuspend(display, False);
        XFlush(display);
    }
#endif
    m_x11Suspended = false;
}

} // namespace pikoro
