#pragma once

#include "play/KeyboardLock.h"

#include <optional>

namespace pikoro {

// X11: an active grab of the keyboard and the pointer on the window of ours in front, so the
// window manager's key and button bindings (Alt+Tab, Alt+F4, Super, Ctrl+Alt+arrows, Alt+Space)
// never fire. Keys and clicks on windows of our own still reach them. The grab is made on the
// active window itself: a grab on another window would move the X input focus away from it. The X
// server keeps its own keys (console switching with Ctrl+Alt+F1-F12, and Ctrl+Alt+Backspace where
// it is switched on). Ending the process ends the grab.
// Under Xwayland the grab holds only inside Xwayland unless the Wayland compositor honours it:
// KWin does; GNOME's mutter only when the parent has switched it on for our window, which is
// looked at once (Denied, with what to switch on, when it is not).
class X11KeyboardLock : public KeyboardLock {
public:
    Result take(QWindow &window) override;
    void release() override;
    QString deniedNote() const override;

private:
    std::optional<bool> m_honoured; // by the compositor over Xwayland, once looked at
};

} // namespace pikoro
