#pragma once

#include "play/KeyboardLock.h"

#include <memory>

class QWidget;

namespace pikoro {

// The keyboard lock of the window system the program runs on, for the given play screen: a
// keyboard and pointer grab on X11, the keyboard-shortcuts inhibitor on Wayland. Null on other
// platforms (offscreen), and on Wayland when the program was built without Wayland support.
std::unique_ptr<KeyboardLock> createPlatformKeyboardLock(QWidget &playScreen);

} // namespace pikoro
