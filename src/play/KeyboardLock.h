#pragma once

#include <QString>

class QWindow;

namespace pikoro {

// Keeps the desktop's own shortcuts (switching and closing windows, workspaces, the start menu)
// away from the program: while the lock is held, every key goes to the program. Each window
// system has its own way to ask for this; none promises that the lock, once taken, stays held.
class KeyboardLock {
public:
    enum class Result {
        Held,       // keys (and, where the window system has it, the pointer) come to us
        Refused,    // someone else holds them now; worth asking again later
        Denied,     // the desktop holds them back by the user's answer or its own settings,
                    // which only an adult can change; deniedNote() says what to do
        Unsupported // this desktop offers no such lock; asking again will not help
    };

    virtual ~KeyboardLock() = default;

    // Takes the keys for the given window of ours (the one in front), moving them there from
    // another window of ours, or confirms that they are still held for it.
    virtual Result take(QWindow &window) = 0;
    // Gives the keys back to the desktop. Harmless when they are not held.
    virtual void release() = 0;
    // For the adult, after Denied: why the keys are not held, and what would give them to us.
    virtual QString deniedNote() const { return {}; }
};

} // namespace pikoro
