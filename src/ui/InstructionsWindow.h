#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pikoro {

class Dialogs;
class UserStore;

// The instructions "メッセージ" (MSG1): how to leave the program and how to open the settings.
// At start-up it carries the box "今後、このメッセージを表示しない"; ticked when the window closes
// (by its button or its close box), the per-user value "MSG" becomes "1" and start-up no longer
// shows it. Opened from the mascot the box is hidden and nothing is stored. While no user name
// is registered, a first line asks the adult to register one.
class InstructionsWindow : public QDialog {
    Q_OBJECT
public:
    enum class Opening { AtStartup, FromMascot };

    InstructionsWindow(UserStore &store, Dialogs &dialogs, Opening opening,
                       QWidget *parent = nullptr);

    // Shows the window modally and returns once it is closed.
    static void showModal(UserStore &store, Dialogs &dialogs, Opening opening,
                          QWidget *parent = nullptr);

    // Where the do-not-show flag lives: "Pikoro" / "ユーザー登録" / "MSG".
    static QString storeKey() { return QStringLiteral("MSG"); }
    // The line shown first while no user name is stored.
    static QString registerFirstText();

    std::array<QLabel *, 3> m_lines{};
    QLabel *registerFirst = nullptr; // null when a user name is stored
    QCheckBox *m_dontShowAgainCheck = nullptr;
    QPushButton *m_okButton = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void arrange();

    UserStore &m_store;
    Dialogs &m_dialogs;
    bool m_closed = false;
};

} // namespace pikoro
