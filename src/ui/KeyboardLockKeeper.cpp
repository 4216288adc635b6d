#include "ui/KeyboardLockKeeper.h"

#include "ui/PlatformKeyboardLock.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QWidget>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace pikoro {

KeyboardLockKeeper::KeyboardLockKeeper(KeyboardLock &lock, QWidget &playScreen, QObject *parent)
    : QObject(parent), m_lock(lock), m_playScreen(playScreen) {
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, &KeyboardLockKeeper::update);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &KeyboardLockKeeper::update);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &KeyboardLockKeeper::update);
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &KeyboardLockKeeper::update);
    // Every window of ours, whenever it is shown, mapped, hidden or blocked by a modal one.
    qApp->installEventFilter(this);
    m_retry.start();
    update();
}

KeyboardLockKeeper::~KeyboardLockKeeper() {
    qApp->removeEventFilter(this);
    if (m_asked)
        m_lock.release();
}

std::unique_ptr<KeyboardLockKeeper> KeyboardLockKeeper::forPlatform(QWidget &playScreen) {
    std::unique_ptr<KeyboardLock> lock = createPlatformKeyboardLock();
    if (!lock)
        return nullptr;
    auto keeper = std::make_unique<KeyboardLockKeeper>(*lock, playScreen);
    keeper->m_ownedLock = std::move(lock);
    return keeper;
}

QString KeyboardLockKeeper::unsupportedMessage() {
    return u"このデスクトップではショートカットキーを止められません。"
           u"ログイン画面のセッション「ピコロ キオスク」をおすすめします。"_s;
}

bool KeyboardLockKeeper::inKioskSession() {
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(u"pikoro"_s, Qt::CaseInsensitive);
}

void KeyboardLockKeeper::pause(std::chrono::milliseconds howLong) {
    m_pausedWindow = nullptr;
    m_pausedWindowLeft = false;
    m_pause.start(howLong);
    update();
}

void KeyboardLockKeeper::endPauseOnceBackInFront() {
    // The other copy's message took the focus and is answered: our window, active again, takes
    // the keys back at once instead of waiting for the pause to run out.
    if (!m_pause.isActive())
        return;
    QWindow *focus = QGuiApplication::focusWindow();
    if (!m_pausedWindow)
        m_pausedWindow = focus;
    else if (focus != m_pausedWindow)
        m_pausedWindowLeft = true;
    else if (m_pausedWindowLeft)
        m_pause.stop();
}

QWindow *KeyboardLockKeeper::windowInFront() const {
    // Not the splash: it is gone in a moment, and GNOME Shell would ask the parent about it
    // first and about the play screen again.
    const auto shown = [](QWindow *window) {
        return window && window->isVisible() && window->type() != Qt::SplashScreen &&
               !(window->windowStates() & Qt::WindowMinimized);
    };
    if (QWindow *focus = QGuiApplication::focusWindow(); shown(focus))
        return focus;
    // No window of ours is active: another program's window has taken the focus, or it is on
    // its way from a window just closed. The keys stay with ours: a modal window over the
    // others, else the one that had them, else the play screen.
    for (QWindow *window :
         {QGuiApplication::modalWindow(), m_window.data(), m_playScreen.windowHandle()})
        if (shown(window))
            return window;
    return nullptr;
}

void KeyboardLockKeeper::releaseLock() {
    if (m_asked)
        m_lock.release();
    m_asked = m_held = false;
    m_window = nullptr;
}

void KeyboardLockKeeper::update() {
    if (m_unsupported)
        return;
    endPauseOnceBackInFront();
    if (m_pause.isActive())
        return releaseLock();
    // An open menu or list holds the keys and the pointer itself, and gives them back to the
    // window system when it closes; the lock is taken again then, not stolen from it now.
    if (QApplication::activePopupWidget())
        return;
    QWindow *window = windowInFront();
    if (!window)
        return releaseLock();
    // Keys that reach a window of ours while it is not the active window are not played.
    if (QGuiApplication::focusWindow() != window)
        window->requestActivate();
    m_asked = true;
    m_window = window;
    switch (m_lock.take(*window)) {
    case KeyboardLock::Result::Held:
        m_held = true;
        break;
    case KeyboardLock::Result::Refused:
        m_held = false;
        break;
    case KeyboardLock::Result::Denied:
        // Asked for on and on (the parent may change the answer), told once; the log keeps it
        // for whoever looks into a computer where the shortcuts still work.
        m_held = false;
        if (!m_toldDenied) {
            m_toldDenied = true;
            qWarning().noquote() << m_lock.deniedNote();
            if (tellAdult)
                tellAdult(m_lock.deniedNote());
        }
        break;
    case KeyboardLock::Result::Unsupported:
        m_held = m_asked = false;
        m_window = nullptr;
        m_unsupported = true;
        m_retry.stop();
        // The kiosk session has no shortcuts to keep away, nor a compositor that offers the lock.
        if (tellAdult && !inKioskSession())
            tellAdult(unsupportedMessage());
        break;
    }
}

bool KeyboardLockKeeper::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Expose: // mapped now (a grab or an inhibitor is refused before)
    case QEvent::Hide:
    case QEvent::WindowBlocked:
    case QEvent::WindowUnblocked:
    case QEvent::WindowStateChange:
        if (watched->isWindowType())
            m_soon.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pikoro
