#include "ui/StayAwake.h"

#include "ui/DesktopScreenAwake.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace pikoro {

StayAwake::StayAwake(ScreenAwake &awake, QWidget &playScreen, QObject *parent)
    : QObject(parent), m_awake(awake), m_playScreen(playScreen) {
    m_playScreen.installEventFilter(this);
    update();
}

StayAwake::~StayAwake() {
    m_playScreen.removeEventFilter(this);
    if (m_on)
        m_awake.letBlank();
}

std::unique_ptr<StayAwake> StayAwake::forPlatform(QWidget &playScreen) {
    auto awake = std::make_unique<DesktopScreenAwake>();
    auto stayAwake = std::make_unique<StayAwake>(*awake, playScreen);
    stayAwake->m_ownedAwake = std::move(awake);
    return stayAwake;
}

bool StayAwake::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::Expose: // on Wayland the surface to keep on is there only now
        update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void StayAwake::update() {
    QWindow *window = m_playScreen.windowHandle();
    if (window && window != m_watchedWindow) {
        window->installEventFilter(this);
        m_watchedWindow = window;
    }
    if (window && m_playScreen.isVisible() && !m_playScreen.isMinimized()) {
        m_awake.keepOn(*window);
        m_on = true;
    } else if (m_on) {
        m_awake.letBlank();
        m_on = false;
    }
}

} // namespace pikoro
