#include "ui/X11KeyboardLock.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QWindow>

#ifdef PIKORO_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

// Our windows' WM_CLASS instance name, which Qt takes from the command's name.
QString instanceName() {
    return QFileInfo(QCoreApplication::arguments().value(0)).fileName();
}

} // namespace

QString X11KeyboardLock::deniedNote() const {
    return u"GNOME の Xwayland ではショートカットキーを止められません。"
           u"保護者の方が gsettings で org.gnome.mutter.wayland の xwayland-allow-grabs を true に"
           u"し、xwayland-grab-access-rules に '%1' を加えてください。"_s.arg(instanceName());
}

#ifdef PIKORO_HAVE_XCB
namespace {

xcb_connection_t *x11Connection() {
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// GNOME's own setting, read as the parent would with gsettings; empty when there is none.
QString mutterSetting(const QString &key) {
    QProcess gsettings;
    gsettings.start(u"gsettings"_s, {u"get"_s, u"org.gnome.mutter.wayland"_s, key});
    gsettings.waitForFinished(3000);
    return QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
}

// Whether mutter passes an Xwayland keyboard grab of ours on: only with
// xwayland-allow-grabs on and a rule of xwayland-grab-access-rules (a glob, as "pikoro" or
// "pik*") that names our window's instance or class.
bool mutterHonoursGrabs() {
    if (mutterSetting(u"xwayland-allow-grabs"_s) != u"true"_s)
        return false;
    static const QRegularExpression quoted(u"'([^']*)'"_s);
    for (const QRegularExpressionMatch &rule :
         quoted.globalMatch(mutterSetting(u"xwayland-grab-access-rules"_s))) {
        const QRegularExpression glob(
            QRegularExpression::wildcardToRegularExpression(rule.captured(1)));
        if (glob.match(instanceName()).hasMatch() ||
            glob.match(QCoreApplication::applicationName()).hasMatch())
            return true;
    }
    return false;
}

// A grab that the Wayland compositor under Xwayland would not honour: GNOME's, unless switched
// on. The X server is Xwayland when it has the XWAYLAND extension (Xwayland 23.1 on), or when
// the session is a Wayland one (older Xwayland has no such mark).
bool grabHonoured(xcb_connection_t *connection) {
    const char name[] = "XWAYLAND";
    xcb_query_extension_reply_t *xwayland = xcb_query_extension_reply(
        connection, xcb_query_extension(connection, sizeof name - 1, name), nullptr);
    const bool onXwayland = (xwayland && xwayland->present) ||
                            qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
                            qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"_s;
    std::free(xwayland);
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return !onXwayland || !desktops.contains(u"GNOME"_s, Qt::CaseInsensitive) ||
           mutterHonoursGrabs();
}

} // namespace

KeyboardLock::Result X11KeyboardLock::take(QWindow &target) {
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return Result::Unsupported;
    if (!target.isVisible())
        return Result::Refused;
    const auto window = xcb_window_t(target.winId());

    // Asked for again while held, a grab of our own is confirmed, or moved to this window; the
    // answer is the server's, so a grab lost meanwhile (Qt gives the grab of a closed menu back
    // to the server) is noticed and taken again.
    xcb_grab_keyboard_reply_t *keyboard =
        xcb_grab_keyboard_reply(connection,
                                xcb_grab_keyboard(connection, 1, window, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    const uint16_t pointerEvents = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                   XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                                   XCB_EVENT_MASK_LEAVE_WINDOW;
    // The pointer stays on the play screen (the window the others are opened over), away from
    // the other monitors.
    const QWindow *playScreen = &target;
    while (playScreen->transientParent() && playScreen->transientParent()->isVisible())
        playScreen = playScreen->transientParent();
    xcb_grab_pointer_reply_t *pointer = xcb_grab_pointer_reply(
        connection,
        xcb_grab_pointer(connection, 1, window, pointerEvents, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, xcb_window_t(playScreen->winId()), XCB_NONE,
                         XCB_CURRENT_TIME),
        nullptr);
    const bool held = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS && pointer &&
                      pointer->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(keyboard);
    std::free(pointer);
    // A half-taken grab stays: the keyboard alone already keeps most shortcuts away.
    if (!held)
        return Result::Refused;
    if (!m_honoured)
        m_honoured = grabHonoured(connection);
    return *m_honoured ? Result::Held : Result::Denied;
}

void X11KeyboardLock::release() {
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
    xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    xcb_flush(connection);
}

#else

KeyboardLock::Result X11KeyboardLock::take(QWindow &) {
    return Result::Unsupported;
}

void X11KeyboardLock::release() {}

#endif

} // namespace pikoro
