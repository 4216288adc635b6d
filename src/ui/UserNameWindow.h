#pragma once

#include "core/UserStore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTimer;

namespace pikoro {

class CapsLockNotice;
class Dialogs;
class ThreeDButton;
class ThreeDPanel;
class UserStore;

// The user-name window "ユーザー登録" (YOUSER): shows the stored name in a box of at most ten
// characters and stores a new one after the adult confirms it. Its prompt blinks in changing
// colours.
class UserNameWindow : public QDialog {
    Q_OBJECT
public:
    UserNameWindow(UserStore &store, Dialogs &dialogs, QWidget *parent = nullptr);

    // A tick of the blinking prompt: a colour drawn at random from the sixteen standard colours
    // but light grey and white, which would vanish on the grey panel.
    void onPromptBlink();
    // OK: an empty name is refused with a message; any other is stored once confirmed, which
    // closes the window.
    void onOkClicked();

    QLabel *m_headingLabel = nullptr;
    QLabel *m_lengthHintLabel = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    CapsLockNotice *m_capsLockNotice = nullptr;
    ThreeDButton *m_okButton = nullptr;
    QTimer *m_blinkTimer = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    UserStore &m_store;
    Dialogs &m_dialogs;
    ThreeDPanel *m_panel = nullptr;
};

} // namespace pikoro
