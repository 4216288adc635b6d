#include "ui/X11KeyboardLock.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef PIKORO_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace pikoro {

#ifdef PIKORO_HAVE_XCB
namespace {

xcb_connection_t *x11Connection() {
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
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
    return held ? Result::Held : Result::Refused;
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
