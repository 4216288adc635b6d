#pragma once

namespace pikoro {

// Keeps the program to the desktop's own session bus. Unless the environment names a bus,
// libdbus looks for the desktop's at $XDG_RUNTIME_DIR/bus and, without one, "autolaunches" a bus
// of its own by forking this process, in the middle of the start-up (the sound system connects
// at once) and for nothing: a bus started that way has none of the desktop's services the program
// asks for (the screen saver). Named here before anything connects, the standard place is where
// the program looks, and without a desktop bus it simply finds none.
void useOnlyDesktopSessionBus();

} // namespace pikoro
