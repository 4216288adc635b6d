#pragma once

// Built only with Wayland support (PIKORO_HAVE_WAYLAND).
#include <QGuiApplication>
#include <cstdint>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace pikoro {

// One global object of the compositor's (a protocol's manager), bound on an event queue of our
// own on Qt's connection, so that the events of the objects made from it are read by us and
// never by Qt. Not on Wayland, or where the compositor lacks the protocol, nothing is bound.
// The owner destroys what it made, the bound object included, before this goes.
class WaylandGlobal {
public:
    explicit WaylandGlobal(const wl_interface &interface) : m_interface(interface) {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        if (!native || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            return;
        m_display = static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"));
        if (!m_display)
            return;
        m_queue = wl_display_create_queue(m_display);
        auto *wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(m_display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), m_queue);
        m_registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        wl_registry_add_listener(m_registry, &registryListener, this);
        wl_display_roundtrip_queue(m_display, m_queue);
    }
    ~WaylandGlobal() {
        if (m_registry)
            wl_registry_destroy(m_registry);
        if (m_display)
            wl_display_flush(m_display);
        if (m_queue)
            wl_event_queue_destroy(m_queue);
    }
    WaylandGlobal(const WaylandGlobal &) = delete;
    WaylandGlobal &operator=(const WaylandGlobal &) = delete;

    wl_display *display() const { return m_display; }
    wl_event_queue *queue() const { return m_queue; }
    template <typename Object> Object *bound() const { return static_cast<Object *>(m_bound); }

private:
    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t) {
        auto *self = static_cast<WaylandGlobal *>(data);
        if (!self->m_bound && std::strcmp(interface, self->m_interface.name) == 0)
            self->m_bound = wl_registry_bind(registry, name, &self->m_interface, 1);
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}
    static constexpr wl_registry_listener registryListener{&WaylandGlobal::global,
                                                           &WaylandGlobal::globalRemove};

    const wl_interface &m_interface;
    wl_display *m_display = nullptr;
    wl_event_queue *m_queue = nullptr;
    wl_registry *m_registry = nullptr;
    void *m_bound = nullptr;
};

} // namespace pikoro
