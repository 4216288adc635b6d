#pragma once

#include <QString>
#include <Qt>
#include <functional>

namespace pikoro {

class Dialogs;
class UserStore;

// Registering a user name typed by the adult: an empty one is refused with "登録名が設定されて
// いません　ユーザー名は必ず登録してください"; any other is stored once "登録名は　…　です　
// よろしいですか？" is answered Yes. A store that cannot be written is reported.
enum class Registration { Stored, Empty, NotConfirmed, NotStored };
Registration registerUserName(Dialogs &dialogs, UserStore &store, const QString &name);

// What a mouse press on the bare background of the play window asks for. Shift or Ctrl with the
// left button opens the settings; Ctrl (without Shift) with the right button asks for the user
// name to leave. Alt is ignored; anything else does nothing.
enum class BackgroundGesture { None, OpenSettings, ExitLock };
BackgroundGesture backgroundGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

// The exit lock: the adult types the registered user name, confirms, and the program ends. The
// same name may also guard the settings window.
class ExitLock {
public:
    struct Hooks {
        std::function<void()> stopKeyPiece;
        std::function<bool()> midiPlaying; // the stop button is enabled
        std::function<void()> quitHelp;    // closes the help viewer
        std::function<void()> endProgram;
        std::function<void(const QString &)> tellAdult; // a note in the status line
    };

    ExitLock(Dialogs &dialogs, const UserStore &store, Hooks hooks);

    // Asks for the user name; the right name leads to the exit confirmation, a wrong one to
    // "ユーザー名が違います", nothing typed (or Cancel) to nothing at all. While no name is
    // stored nothing is asked: the status line says where a name is registered. A name is never
    // registered here, where a child's random typing would become the key.
    void run();
    // "おわっちゃうよ？": Yes ends the program, No goes back to play.
    void confirmExit();

    // Before the settings window opens: true once the stored name was typed exactly. A wrong
    // name gets the exit's message. With no name stored there is nothing to ask and the window
    // opens (it is where a name is registered).
    bool askForSettings();

    // The status-line note while no user name is stored.
    static QString noUserNameNote();

private:
    enum class Answer { Right, Wrong, Nothing };
    Answer askName(const QString &title);

    Dialogs &m_dialogs;
    const UserStore &m_store;
    Hooks m_hooks;
};

} // namespace pikoro
