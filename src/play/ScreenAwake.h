#pragma once

class QWindow;

namespace pikoro {

// Keeps the screen from blanking or starting its saver while a child plays: a calm game can go
// for minutes without a key. Each desktop has its own way (and a session may offer several).
class ScreenAwake {
public:
    virtual ~ScreenAwake() = default;

    // Asks the desktop to keep the screen on while the given window is shown. Asked again
    // (the window shown anew), it is asked for that window once more.
    virtual void keepOn(QWindow &window) = 0;
    // Lets the screen blank again. Harmless when it was not asked.
    virtual void letBlank() = 0;
};

} // namespace pikoro
