#pragma once

#include "play/MainScreenView.h"

#include <QString>
#include <Qt>
#include <optional>

namespace pikoro {

// One key of the keyboard as the play screen receives it.
struct KeyStroke {
    int key = 0;  // Qt::Key
    QString text; // what it types
    Qt::KeyboardModifiers modifiers;
    quint32 keysym = 0; // the platform's key symbol (X11 and xkb), 0 when unknown
    bool operator==(const KeyStroke &) const = default;
};

// What a key does when every key answers: types a digit, letter or space as before, acts as one
// of the screen's buttons, or shows the miss picture.
struct KeyAnswer {
    enum class Kind { Character, Button, Miss };
    Kind kind = Kind::Miss;
    int character = 0;                          // Character: '0'-'9', 'A'-'Z', 'a'-'z' or ' '
    ScreenButton button = ScreenButton::Letter; // Button: Letter, SpecialKey, FunctionKey or
    int index = 0;                              // UnassignedKey, and the index in that array
    bool operator==(const KeyAnswer &) const = default;
};

// The answer of a key that has a button on the screen acts as that button (Return, Esc, Tab,
// Caps, Shift, Ctrl, Alt, 変換, 無変換, F1-F12, the arrows, Backspace and the punctuation keys of
// a JIS keyboard, shifted or not); digits, letters and space type as always, also with Ctrl held;
// every other key misses. The left and right Shift, Ctrl and Alt keys go to the buttons on their
// side when the key symbol tells them apart, else to the left ones.
KeyAnswer answerOfKey(const KeyStroke &stroke);

// Shift, Ctrl, Alt, AltGr and the Super/Meta keys are held for gestures (Shift or Ctrl + click
// opens the settings, Ctrl + right-click the exit): they answer when let go, and only if nothing
// else happened while they were held.
bool isHeldForGestures(int qtKey);

// Watches a gesture modifier from its press to its release.
class ModifierTap {
public:
    // A key went down. Returns true when it is a gesture modifier, which waits for its release;
    // any other key, or a second modifier, spoils the modifier held.
    bool pressed(const KeyStroke &stroke);
    // A mouse press or the window losing the keyboard: the modifier held answers nothing.
    void interrupt() { m_held.reset(); }
    // A key was let go: the modifier's stroke when it is the one held and nothing came between.
    std::optional<KeyStroke> released(const KeyStroke &stroke);

private:
    std::optional<KeyStroke> m_held;
};

} // namespace pikoro
