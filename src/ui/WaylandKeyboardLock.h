#pragma once

#include "play/KeyboardLock.h"

#include <memory>

class QWidget;

namespace pikoro {

// Wayland: asks the compositor, through the keyboard-shortcuts-inhibit protocol, to pass every
// key to the play screen while it has the keyboard focus instead of acting on its own shortcuts.
// The compositor decides: it may refuse, or offer no such protocol at all (Unsupported), and it
// keeps keys of its own that no client can have (console switching, and on some a key to take
// the inhibition back). The pointer stays with the compositor.
class WaylandKeyboardLock : public KeyboardLock {
public:
    explicit WaylandKeyboardLock(QWidget &playScreen);
    ~WaylandKeyboardLock() override;
    WaylandKeyboardLock(const WaylandKeyboardLock &) = delete;
    WaylandKeyboardLock &operator=(const WaylandKeyboardLock &) = delete;

    Result take() override;
    void release() override;

private:
    struct Protocol;
    QWidget &m_playScreen;
    std::unique_ptr<Protocol> m_protocol;
};

} // namespace pikoro
