#pragma once

#include "play/KeyboardLock.h"

#include <memory>

namespace pikoro {

// Wayland: asks the compositor, through the keyboard-shortcuts-inhibit protocol, to pass every
// key to our windows while they have the keyboard focus instead of acting on its own shortcuts.
// Each window of ours asks for itself once it has the focus (so its surface is mapped as a
// window: GNOME refuses a surface without one, for good), and asks again when the compositor
// takes a granted inhibition back (GNOME's Super+Escape). The compositor decides: it may refuse
// (Denied: GNOME Shell asks the user, whose Deny is never told to us: it is read from no answer),
// or offer no such protocol at all (Unsupported), and it keeps keys of its own that no client
// can have (console switching). The pointer stays with the compositor.
class WaylandKeyboardLock : public KeyboardLock {
public:
    WaylandKeyboardLock();
    ~WaylandKeyboardLock() override;
    WaylandKeyboardLock(const WaylandKeyboardLock &) = delete;
    WaylandKeyboardLock &operator=(const WaylandKeyboardLock &) = delete;

    Result take(QWindow &window) override;
    void release() override;
    QString deniedNote() const override;

private:
    struct Protocol;
    std::unique_ptr<Protocol> m_protocol;
};

} // namespace pikoro
