#pragma once

#include "play/KeyboardLock.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace pikoro {

// Holds the keyboard lock for whichever window of ours is in front: the play screen, and every
// window opened over it (settings, input and message boxes, file dialogs, help, user name,
// instructions). When the active window changes between our windows the lock moves with it, so
// that no window a child opens by chance is a way out; the desktop gets the keys back only when
// the program ends (or, for a while, when a second start pauses the lock). The lock is asked for
// again every second: a refused one (another program holds the keys) may be had later, and a
// held one is never taken for granted.
class KeyboardLockKeeper : public QObject {
    Q_OBJECT
public:
    KeyboardLockKeeper(KeyboardLock &lock, QWidget &playScreen, QObject *parent = nullptr);
    ~KeyboardLockKeeper() override;

    // The lock of the window system the program runs on (X11 grab, Wayland shortcuts
    // inhibitor), kept for the play screen and our other windows; null where there is none
    // (offscreen).
    static std::unique_ptr<KeyboardLockKeeper> forPlatform(QWidget &playScreen);

    // Told once when the desktop offers no lock at all, with a line for the adult; not in the
    // kiosk session (XDG_CURRENT_DESKTOP "pikoro"), which has no desktop shortcuts. Told once
    // too when the desktop withholds the lock (the parent said no), with what to change.
    std::function<void(const QString &)> tellAdult;
    static QString unsupportedMessage();
    static bool inKioskSession();

    bool isHeld() const { return m_held; }
    // The window the lock was last asked for; null while it is given back.
    QWindow *window() const { return m_window; }
    QTimer &retryTimer() { return m_retry; }

    // Gives the keys back for a while whatever window is in front: a second start of the
    // program shows its message from another process, which needs the keyboard to be answered.
    // The pause ends early once the window of ours that was active at or after the pause (the
    // play screen, or a window over it) loses the focus and gets it back (the message was
    // answered).
    void pause(std::chrono::milliseconds howLong);

public slots:
    // Takes, moves or gives back the lock as the windows now stand.
    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWindow *windowInFront() const;
    void releaseLock();
    void endPauseOnceBackInFront();

    KeyboardLock &m_lock;
    QWidget &m_playScreen;
    std::unique_ptr<KeyboardLock> m_ownedLock;
    QTimer m_retry;
    QTimer m_pause;
    QTimer m_soon; // one update after a burst of window events
    QPointer<QWindow> m_window;
    bool m_held = false;  // the last request was granted
    bool m_asked = false; // asked for since the last release
    bool m_unsupported = false;
    bool m_toldDenied = false;
    QPointer<QWindow> m_pausedWindow; // ours, seen active since the pause began
    bool m_pausedWindowLeft = false;  // and then it lost the focus
};

} // namespace pikoro
