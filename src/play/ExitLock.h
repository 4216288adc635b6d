#pragma once

#include <QString>
#include <Qt>
#include <functional>

namespace pikoro {

class Dialogs;
class UserStore;

// What a mouse press on the bare background of the play window asks for. Shift or Ctrl with the
// left button opens the settings; Ctrl (without Shift) with the right button asks for the user
// name to leave. Alt is ignored; anything else does nothing.
enum class BackgroundGesture { None, OpenSettings, ExitLock };
BackgroundGesture backgroundGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

// The exit lock: the adult types the registered user name, confirms, and the program ends.
class ExitLock {
public:
    struct Hooks {
        std::function<void()> stopKeyPiece;
        std::function<bool()> midiPlaying; // the stop button is enabled
        std::function<void()> quitHelp;    // closes the help viewer
        std::function<void()> endProgram;
        std::function<void()> registerUserName; // shows the user-name window modally
    };

    ExitLock(Dialogs &dialogs, const UserStore &store, Hooks hooks);

    // Asks for the user name; the right name leads to the exit confirmation, a wrong one to
    // "ユーザー名が違います", nothing typed (or Cancel) to nothing at all. While no name is
    // stored, the user-name window comes first; if it is left without a name, nothing follows.
    void run();
    // "おわっちゃうよ？": Yes ends the program, No goes back to play.
    void confirmExit();

private:
    Dialogs &m_dialogs;
    const UserStore &m_store;
    Hooks m_hooks;
};

} // namespace pikoro
