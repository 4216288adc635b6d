#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pikoro {

class CapsLockNotice;
class Dialogs;
class UserStore;

// The instructions "メッセージ" (MSG1): how to leave the program and how to open the settings.
// At start-up it carries the box "今後、このメッセージを表示しない"; ticked when the window closes
// (by its button or its close box), the per-user value "MSG" becomes "1" and start-up no longer
// shows it. Opened from the mascot the box is hidden and nothing is stored. While no user name
// is registered, the window opened at start-up asks for one and closes only once it is
// registered (the parent is there before the child plays); opened from the mascot it only says
// where to register one.
class InstructionsWindow : public QDialog {
    Q_OBJECT
public:
    enum class Opening { AtStartup, FromMascot };

    InstructionsWindow(UserStore &store, Dialogs &dialogs, Opening opening,
                       QWidget *parent = nullptr);

    // Shows the window modally and returns once it is closed.
    static void showAndWait(UserStore &store, Dialogs &dialogs, Opening opening,
                            QWidget *parent = nullptr);

    // Where the do-not-show flag lives: "Pikoro" / "ユーザー登録" / "MSG".
    static QString storeKey() { return QStringLiteral("MSG"); }
    // The line shown first while no user name is stored: from the mascot, and at start-up above
    // the name field.
    static QString registerFirstText();
    static QString registerHereText();
    // The text with line breaks allowed only between phrases (after a blank, 、，。 or 」 and
    // before 「), never inside a word such as 「Ctrlキー」.
    static QString keepPhrasesWhole(const QString &text);

    std::array<QLabel *, 3> m_lines{};
    QLabel *registerFirst = nullptr; // null when a user name is stored
    QLineEdit *m_nameEdit = nullptr; // at start-up while no user name is stored, else null
    CapsLockNotice *m_capsLockNotice = nullptr;
    QCheckBox *m_dontShowAgainCheck = nullptr;
    QPushButton *m_okButton = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void arrange();
    // OK: registers the typed name first where the window asks for one.
    void onOkClicked();

    UserStore &m_store;
    Dialogs &m_dialogs;
    bool m_closed = false;
    bool m_registrationSettled = false; // the name was stored, or the store refused it
};

} // namespace pikoro
