#pragma once

#include <QLabel>
#include <optional>

class QKeyEvent;
class QLineEdit;

namespace pikoro {

// Whether Caps Lock is on. Qt has no portable way to ask: the display server is asked where it
// can be (X11), and elsewhere the key events tell (their native modifiers carry the lock bit on
// X11 and Wayland alike).
class CapsLockState {
public:
    virtual ~CapsLockState() = default;
    // On or off as the display server says now; nothing where it cannot be asked.
    virtual std::optional<bool> query() const = 0;
    // What a key event says; nothing where its native modifiers carry no lock bit.
    virtual std::optional<bool> fromKeyEvent(const QKeyEvent &event) const = 0;
};

// The platform's answer: the X server's modifier state under X11, the key events' native
// modifiers under X11 and Wayland, nothing elsewhere.
const CapsLockState &platformCapsLock();

// The line under a name field that says Caps Lock is on. It looks again whenever the field gets
// the focus or sees a key, so switching Caps Lock while typing shows or hides it at once. The
// name is still compared exactly: this only explains why "MAMA" is not "mama".
class CapsLockNotice : public QLabel {
    Q_OBJECT
public:
    explicit CapsLockNotice(QLineEdit *field, QWidget *parent = nullptr,
                            const CapsLockState &source = platformCapsLock());

    static QString noticeText(); // "Caps Lock がオンです（大文字と小文字は区別されます）"

    // Where the state comes from; tests hand in a scripted one.
    void setSource(const CapsLockState &source);
    // Shows or hides the line as the source says; an event that says nothing leaves it.
    void refresh(const QKeyEvent *event = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const CapsLockState *m_source;
};

} // namespace pikoro
