#include "ui/Transparency.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef PIKORO_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include <cstring>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

#ifdef PIKORO_HAVE_XCB
// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool x11CompositorRunning(xcb_connection_t *connection) {
    const char *name = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool running = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return running;
}
#endif

// QWidget's destroy() and create() are protected; the only other ways to a new native window
// (setParent, setWindowFlags) do nothing when nothing else changes.
struct NativeWindowAccess : QWidget {
    using QWidget::create;
    using QWidget::destroy;
};

void recreateNativeWindow(QWidget *window) {
    const bool visible = window->isVisible();
    const Qt::WindowStates states = window->windowState();
    const QRect geometry = window->geometry();
    window->hide();
    const auto destroy = &NativeWindowAccess::destroy;
    const auto create = &NativeWindowAccess::create;
    (window->*destroy)(true, true);
    (window->*create)(0, true, true);
    window->setGeometry(geometry);
    window->setWindowState(states);
    if (visible)
        window->show();
}

} // namespace

bool desktopComposites() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(u"wayland"_s))
        return true;
#ifdef PIKORO_HAVE_XCB
    if (platform == u"xcb"_s) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            return x11->connection() && x11CompositorRunning(x11->connection());
    }
#endif
    return false;
}

WindowTransparency::WindowTransparency(QWidget *window, CompositingCheck composites)
    : m_window(window), m_composites(std::move(composites)) {
    if (m_window) {
        m_hadNoSystemBackground = m_window->testAttribute(Qt::WA_NoSystemBackground);
        m_hadAutoFill = m_window->autoFillBackground();
    }
}

bool WindowTransparency::isSeeThrough() const {
    return m_window && m_window->testAttribute(Qt::WA_TranslucentBackground);
}

void WindowTransparency::setSeeThrough(bool on) {
    m_seeThroughRequested = on;
    if (!m_window)
        return;
    const bool seeThrough = on && m_composites && m_composites();
    if (seeThrough == isSeeThrough())
        return;

    QWidget *window = m_window;
    window->setAttribute(Qt::WA_TranslucentBackground, seeThrough);
    if (seeThrough) {
        window->setAutoFillBackground(false);
    } else {
        // Switching translucency on also switched the system background off; undo that.
        window->setAttribute(Qt::WA_NoSystemBackground, m_hadNoSystemBackground);
        window->setAutoFillBackground(m_hadAutoFill);
    }

    // The alpha channel is chosen when the native window is made, so a window already on
    // screen gets a new one; it keeps its state (full screen) and comes back where it was.
    if (window->isWindow() && window->testAttribute(Qt::WA_WState_Created))
        recreateNativeWindow(window);
    window->update();
}

} // namespace pikoro
