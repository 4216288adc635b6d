#pragma once

#include "play/KeyboardLock.h"

class QWidget;

namespace pikoro {

// X11: an active grab of the keyboard and the pointer on the play screen's window, so the window
// manager's key and button bindings (Alt+Tab, Alt+F4, Super, Ctrl+Alt+arrows, Alt+Space) never
// fire. Keys and clicks on windows of our own still reach them. The X server keeps its own keys
// (console switching with Ctrl+Alt+F1-F12, and Ctrl+Alt+Backspace where it is switched on).
// Ending the process ends the grab.
class X11KeyboardLock : public KeyboardLock {
public:
    explicit X11KeyboardLock(QWidget &playScreen) : m_playScreen(playScreen) {}

    Result take() override;
    void release() override;

private:
    QWidget &m_playScreen;
};

} // namespace pikoro
