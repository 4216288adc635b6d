#include "ui/KeyboardLockKeeper.h"

#include "ui/PlatformKeyboardLock.h"

#include <QApplication>
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
    m_playScreen.installEventFilter(this);
    m_retry.start();
    update();
}

KeyboardLockKeeper::~KeyboardLockKeeper() {
    m_playScreen.removeEventFilter(this);
    if (m_asked)
        m_lock.release();
}

std::unique_ptr<KeyboardLockKeeper> KeyboardLockKeeper::forPlatform(QWidget &playScreen) {
    std::unique_ptr<KeyboardLock> lock = createPlatformKeyboardLock(playScreen);
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
    m_pausedPlayScreenWasActive = m_pausedPlayScreenLeft = false;
    m_pause.start(howLong);
    update();
}

void KeyboardLockKeeper::endPauseOnceBackInFront() {
    // The other copy's message took the focus and is answered: the play screen, active again,
    // takes the keys back at once instead of waiting for the pause to run out.
    if (!m_pause.isActive())
        return;
    if (QGuiApplication::focusWindow() != m_playScreen.windowHandle())
        m_pausedPlayScreenLeft = m_pausedPlayScreenWasActive;
    else if (m_pausedPlayScreenLeft)
        m_pause.stop();
    else
        m_pausedPlayScreenWasActive = true;
}

bool KeyboardLockKeeper::playScreenInFront() const {
    if (m_pause.isActive() || !m_playScreen.isVisible() || m_playScreen.isMinimized() ||
        QApplication::activeModalWidget())
        return false;
    // Another window of ours that is active (the help page) keeps the keys; a window of another
    // program, or none, does not keep the lock away.
    const QWindow *focus = QGuiApplication::focusWindow();
    return !focus || focus == m_playScreen.windowHandle();
}

void KeyboardLockKeeper::update() {
    if (m_unsupported)
        return;
    endPauseOnceBackInFront();
    if (!playScreenInFront()) {
        if (m_asked)
            m_lock.release();
        m_asked = m_held = false;
        return;
    }
    // Keys that reach the play screen while it is not the active window are not played.
    if (!QGuiApplication::focusWindow())
        m_playScreen.activateWindow();
    m_asked = true;
    switch (m_lock.take()) {
    case KeyboardLock::Result::Held:
        m_held = true;
        break;
    case KeyboardLock::Result::Refused:
        m_held = false;
        break;
    case KeyboardLock::Result::Unsupported:
        m_held = m_asked = false;
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
    case QEvent::Hide:
    case QEvent::WindowBlocked:
    case QEvent::WindowUnblocked:
    case QEvent::WindowStateChange:
    case QEvent::ActivationChange:
        update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pikoro
