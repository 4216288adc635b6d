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

Registration registerUserName(Dialogs &dialogs, UserStore &store, const QString &name) {
    if (name.isEmpty()) {
        dialogs.messageBox(u"登録名が設定されていません　ユーザー名は必ず登録してください"_s);
        return Registration::Empty;
    }
    const QString question = u"登録名は　"_s + name + u"　です　よろしいですか？"_s;
    if (dialogs.messageBox(question, u"確認"_s, MessageButtons::YesNo, MessageIcon::Question) !=
        DialogButton::Yes)
        return Registration::NotConfirmed;
    if (!store.write(UserName::application(), UserName::section(), UserName::key(), name)) {
        dialogs.messageBox(u"ユーザー名を保存できませんでした。"_s);
        return Registration::NotStored;
    }
    return Registration::Stored;
}

ExitLock::ExitLock(Dialogs &dialogs, const UserStore &store, Hooks hooks)
    : m_dialogs(dialogs), m_store(store), m_hooks(std::move(hooks)) {}

QString ExitLock::noUserNameNote() {
    return u"ユーザー名が登録されていません。設定フォームのメニュー「情報」→「ユーザー名変更」で登録してください。"_s;
}

ExitLock::Answer ExitLock::askName(const QString &title) {
    const QString typed =
        m_dialogs.inputBox(u"登録ユーザー名を入力してください"_s, title).value_or(QString());
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    // The whole text, exactly as typed: the name is the key. Nothing typed never is.
    if (!typed.isEmpty() && typed == UserName::read(m_store))
        return Answer::Right;
    if (!typed.isEmpty())
        m_dialogs.messageBox(u"ユーザー名が違います\r詳しくはヘルプを参照してください"_s);
    m_dialogs.setMousePointer(MousePointer::Normal);
    return typed.isEmpty() ? Answer::Nothing : Answer::Wrong;
}

void ExitLock::run() {
    if (m_hooks.stopKeyPiece)
        m_hooks.stopKeyPiece();
    if (UserName::read(m_store).isEmpty()) {
        if (m_hooks.tellAdult)
            m_hooks.tellAdult(noUserNameNote());
        return;
    }
    if (askName(u"終了"_s) == Answer::Right)
        confirmExit();
}

bool ExitLock::askForSettings() {
    if (UserName::read(m_store).isEmpty())
        return true;
    if (askName(u"設定を開く"_s) != Answer::Right)
        return false;
    m_dialogs.setMousePointer(MousePointer::Normal);
    return true;
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
