#include "ui/WaylandKeyboardLock.h"

#ifdef PIKORO_HAVE_WAYLAND
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "ui/WaylandGlobal.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <qpa/qplatformnativeinterface.h>
#include <vector>
#include <wayland-client.h>
#endif

using namespace Qt::StringLiterals;

namespace pikoro {

#ifdef PIKORO_HAVE_WAYLAND

namespace {

// One window's inhibitor, with what the compositor said of it.
struct Inhibitor {
    zwp_keyboard_shortcuts_inhibitor_v1 *object = nullptr;
    QPointer<QWindow> window;
    wl_surface *surface = nullptr;
    bool active = false;  // the compositor passes every key to the window now
    bool granted = false; // it did at some time
    std::chrono::steady_clock::time_point askedAt = std::chrono::steady_clock::now();

    ~Inhibitor() { zwp_keyboard_shortcuts_inhibitor_v1_destroy(object); }

    static void onActive(void *data, zwp_keyboard_shortcuts_inhibitor_v1 *) {
        auto *self = static_cast<Inhibitor *>(data);
        self->active = self->granted = true;
    }
    static void onInactive(void *data, zwp_keyboard_shortcuts_inhibitor_v1 *) {
        static_cast<Inhibitor *>(data)->active = false;
    }
    static constexpr zwp_keyboard_shortcuts_inhibitor_v1_listener listener{&Inhibitor::onActive,
                                                                           &Inhibitor::onInactive};
};

void *integrationResource(const char *name) {
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    return native ? native->nativeResourceForIntegration(name) : nullptr;
}

wl_surface *surfaceOf(QWindow *window) {
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    if (!window || !window->handle() || !native)
        return nullptr;
    return static_cast<wl_surface *>(native->nativeResourceForWindow("surface", window));
}

} // namespace

// Our objects live on an event queue of their own on Qt's connection, so that their events are
// read here and never by Qt.
struct WaylandKeyboardLock::Protocol {
    WaylandGlobal global{zwp_keyboard_shortcuts_inhibit_manager_v1_interface};
    wl_display *display = global.display();
    wl_event_queue *queue = global.queue();
    zwp_keyboard_shortcuts_inhibit_manager_v1 *manager =
        global.bound<zwp_keyboard_shortcuts_inhibit_manager_v1>();
    std::vector<std::unique_ptr<Inhibitor>> inhibitors;

    ~Protocol() {
        inhibitors.clear();
        if (manager)
            zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(manager);
    }

    // A window hidden, or shown again with a new surface, has lost its inhibitor with the old
    // surface; the object is let go.
    void dropStale() {
        std::erase_if(inhibitors, [](const std::unique_ptr<Inhibitor> &inhibitor) {
            return !inhibitor->window || !inhibitor->window->isVisible() ||
                   surfaceOf(inhibitor->window) != inhibitor->surface;
        });
    }

    Inhibitor *inhibit(QWindow &window, wl_surface *surface, wl_seat *seat) {
        auto inhibitor = std::make_unique<Inhibitor>();
        inhibitor->object =
            zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(manager, surface, seat);
        inhibitor->window = &window;
        inhibitor->surface = surface;
        zwp_keyboard_shortcuts_inhibitor_v1_add_listener(inhibitor->object, &Inhibitor::listener,
                                                         inhibitor.get());
        inhibitors.push_back(std::move(inhibitor));
        return inhibitors.back().get();
    }
};

WaylandKeyboardLock::WaylandKeyboardLock() : m_protocol(std::make_unique<Protocol>()) {}

WaylandKeyboardLock::~WaylandKeyboardLock() = default;

KeyboardLock::Result WaylandKeyboardLock::take(QWindow &window) {
    Protocol &p = *m_protocol;
    if (!p.manager)
        return Result::Unsupported;
    wl_display_dispatch_queue_pending(p.display, p.queue);
    p.dropStale();
    // Asked for before the surface is mapped as a window (its first frame shown), GNOME refuses
    // the surface for good. Qt may call a modal window the focus window before it is shown.
    if (QGuiApplication::focusWindow() != &window || !window.isExposed())
        return Result::Refused;
    wl_surface *surface = surfaceOf(&window);
    auto *seat = static_cast<wl_seat *>(integrationResource("wl_seat"));
    if (!surface || !seat)
        return Result::Refused;
    const auto found = std::ranges::find(p.inhibitors, surface,
                                         [](const auto &inhibitor) { return inhibitor->surface; });
    // A granted inhibition that the compositor took back while the window kept the focus
    // (GNOME's Super+Escape) is asked for anew; GNOME grants it again without asking the user.
    // One never granted is not asked for again: a compositor grants at once or asks the user
    // first (GNOME Shell's dialog, which has the focus meanwhile), so one that our focused
    // window still waits for after a while was refused (Deny, or Escape in that dialog).
    if (found != p.inhibitors.end() && (*found)->granted && !(*found)->active)
        p.inhibitors.erase(found);
    else if (found != p.inhibitors.end())
        return (*found)->granted || std::chrono::steady_clock::now() - (*found)->askedAt <
                                        std::chrono::seconds(2)
                   ? Result::Held
                   : Result::Denied;
    p.inhibit(window, surface, seat);
    wl_display_flush(p.display);
    return Result::Held;
}

void WaylandKeyboardLock::release() {
    if (m_protocol->inhibitors.empty())
        return;
    m_protocol->inhibitors.clear();
    wl_display_flush(m_protocol->display);
}

#else

struct WaylandKeyboardLock::Protocol {};

WaylandKeyboardLock::WaylandKeyboardLock() = default;
WaylandKeyboardLock::~WaylandKeyboardLock() = default;

KeyboardLock::Result WaylandKeyboardLock::take(QWindow &) {
    return Result::Unsupported;
}

void WaylandKeyboardLock::release() {}

#endif

QString WaylandKeyboardLock::deniedNote() const {
    return u"ショートカットキーを止める許可がデスクトップから得られませんでした。"
           u"デスクトップの設定でピコロにショートカットの禁止を許可するか、"
           u"ログイン画面のセッション「ピコロ キオスク」を使ってください。"_s;
}

} // namespace pikoro
