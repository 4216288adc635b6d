#include "play/ExitLock.h"

#include "core/Dialogs.h"
#include "core/UserStore.h"

using namespace Qt::StringLiterals;

namespace pikoro {

BackgroundGesture backgroundGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (button == Qt::LeftButton)
        return shift || ctrl ? BackgroundGesture::OpenSettings : BackgroundGesture::None;
    if (button == Qt::RightButton && ctrl && !shift)
        return BackgroundGesture::ExitLock;
    return BackgroundGesture::None;
}

ExitLock::ExitLock(Dialogs &dialogs, const UserStore &store, Hooks hooks)
    : m_dialogs(dialogs), m_store(store), m_hooks(std::move(hooks)) {}

void ExitLock::run() {
    if (m_hooks.stopKeyPiece)
        m_hooks.stopKeyPiece();
    // With no name stored, an empty answer would match it and a child could leave with two
    // presses of Return: the adult registers a name first, and only then is asked for it.
    if (UserName::read(m_store).isEmpty()) {
        if (m_hooks.registerUserName)
            m_hooks.registerUserName();
        if (UserName::read(m_store).isEmpty())
            return;
    }
    const QString typed =
        m_dialogs.inputBox(u"登録ユーザー名を入力してください"_s, u"終了"_s).value_or(QString());
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    // The whole text, exactly as typed: the name is the key to the exit. Nothing typed never is.
    if (!typed.isEmpty() && typed == UserName::read(m_store)) {
        confirmExit();
        return;
    }
    if (!typed.isEmpty())
        m_dialogs.messageBox(u"ユーザー名が違います\r詳しくはヘルプを参照してください"_s);
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void ExitLock::confirmExit() {
    if (m_hooks.midiPlaying && m_hooks.midiPlaying() && m_hooks.stopKeyPiece)
        m_hooks.stopKeyPiece();
    const DialogButton answer = m_dialogs.messageBox(u"おわっちゃうよ？"_s, u"終了の確認"_s,
                                                     MessageButtons::YesNo, MessageIcon::Question);
    m_dialogs.setMousePointer(MousePointer::Normal);
    if (answer != DialogButton::Yes)
        return;
    if (m_hooks.quitHelp)
        m_hooks.quitHelp();
    if (m_hooks.endProgram)
        m_hooks.endProgram();
}

} // namespace pikoro
