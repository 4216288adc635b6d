#pragma once

#include "play/KeyboardLock.h"

#include <memory>

namespace pikoro {

// The keyboard lock of the window system the program runs on: a keyboard and pointer grab on
// X11, the keyboard-shortcuts inhibitor on Wayland. Null on other platforms (offscreen), and on
// Wayland when the program was built without Wayland support.
std::unique_ptr<KeyboardLock> createPlatformKeyboardLock();

} // namespace pikoro
