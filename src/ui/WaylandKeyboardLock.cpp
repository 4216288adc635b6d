#include "ui/WaylandKeyboardLock.h"

#ifdef PIKORO_HAVE_WAYLAND
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>
#endif

namespace pikoro {

#ifdef PIKORO_HAVE_WAYLAND

// Our objects live on an event queue of their own on Qt's connection, so that their events are
// read here and never by Qt.
struct WaylandKeyboardLock::Protocol {
    wl_display *display = nullptr;
    wl_event_queue *queue = nullptr;
    wl_registry *registry = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1 *manager = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1 *inhibitor = nullptr;
    wl_surface *inhibitedSurface = nullptr;

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t) {
        auto *self = static_cast<Protocol *>(data);
        if (!self->manager &&
            std::strcmp(interface, zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) == 0)
            self->manager =
                static_cast<zwp_keyboard_shortcuts_inhibit_manager_v1 *>(wl_registry_bind(
                    registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1));
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}
    static constexpr wl_registry_listener registryListener{&Protocol::global,
                                                           &Protocol::globalRemove};

    static void *integrationResource(const char *name) {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        return native ? native->nativeResourceForIntegration(name) : nullptr;
    }

    Protocol() {
        display = static_cast<wl_display *>(integrationResource("wl_display"));
        if (!display)
            return;
        queue = wl_display_create_queue(display);
        auto *wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), queue);
        registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        wl_registry_add_listener(registry, &registryListener, this);
        wl_display_roundtrip_queue(display, queue);
    }

    ~Protocol() {
        dropInhibitor();
        if (manager)
            zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(manager);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_flush(display);
        if (queue)
            wl_event_queue_destroy(queue);
    }

    void dropInhibitor() {
        if (inhibitor)
            zwp_keyboard_shortcuts_inhibitor_v1_destroy(inhibitor);
        inhibitor = nullptr;
        inhibitedSurface = nullptr;
    }
};

WaylandKeyboardLock::WaylandKeyboardLock(QWidget &playScreen)
    : m_playScreen(playScreen), m_protocol(std::make_unique<Protocol>()) {}

WaylandKeyboardLock::~WaylandKeyboardLock() = default;

KeyboardLock::Result WaylandKeyboardLock::take() {
    Protocol &p = *m_protocol;
    if (!p.manager)
        return Result::Unsupported;
    // The inhibitor's own events (active, inactive) are not needed; they are read off the queue.
    wl_display_dispatch_queue_pending(p.display, p.queue);
    QWindow *window = m_playScreen.windowHandle();
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *surface =
        window && native
            ? static_cast<wl_surface *>(native->nativeResourceForWindow("surface", window))
            : nullptr;
    auto *seat = static_cast<wl_seat *>(Protocol::integrationResource("wl_seat"));
    if (!surface || !seat)
        return Result::Refused;
    // A window shown again has a new surface; the old one's inhibitor is gone with it.
    if (p.inhibitor && p.inhibitedSurface == surface)
        return Result::Held;
    p.dropInhibitor();
    p.inhibitor =
        zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(p.manager, surface, seat);
    p.inhibitedSurface = surface;
    wl_display_flush(p.display);
    return Result::Held;
}

void WaylandKeyboardLock::release() {
    if (!m_protocol->inhibitor)
        return;
    m_protocol->dropInhibitor();
    wl_display_flush(m_protocol->display);
}

#else

struct WaylandKeyboardLock::Protocol {};

WaylandKeyboardLock::WaylandKeyboardLock(QWidget &playScreen) : m_playScreen(playScreen) {}
WaylandKeyboardLock::~WaylandKeyboardLock() = default;

KeyboardLock::Result WaylandKeyboardLock::take() {
    return Result::Unsupported;
}

void WaylandKeyboardLock::release() {}

#endif

} // namespace pikoro
