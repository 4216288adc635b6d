#include "app/Startup.h"

#include "app/SingleInstance.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/UserStore.h"
#include "ui/SplashWindow.h"

#include <QCoreApplication>
#include <QEvent>

using namespace Qt::StringLiterals;

namespace pikoro {

Startup::Startup(Services services, QObject *parent)
    : QObject(parent), m_services(std::move(services)) {
    m_timer.setSingleShot(true);
    // The tick comes as soon as the event loop runs (it draws the splash first if the display
    // has not shown it yet), not after a pause that would only hold back the play screen.
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &Startup::splashTimerTick);
}

Startup::~Startup() = default;

QString Startup::soundCardMissingMessage() {
    return u"サウンドカードのチェック：WAV を再生できません"_s;
}

QString Startup::soundCardPresentText() {
    return u"サウンドカードのチェック：WAV を再生できます"_s;
}

QString Startup::alreadyRunningMessage() {
    return u"ピコロはすでに起動しています"_s;
}

bool Startup::splashLoad(QSize screenPixels, double zoom) {
    m_splash = std::make_unique<SplashWindow>();
    m_splash->centreOn(screenPixels, zoom);
    // Drawn once the display has mapped it: meanwhile the checks below, the sound and the main
    // window's controls are made, instead of waiting for the display first.
    m_splash->show();
    QCoreApplication::instance()->installEventFilter(this);

    const int devices = m_services.playbackDeviceCount ? m_services.playbackDeviceCount() : 0;
    if (devices < 1)
        m_services.dialogs.messageBox(soundCardMissingMessage());
    else
        m_splash->setSoundCardStatus(soundCardPresentText());

    m_services.dialogs.setMousePointer(MousePointer::ArrowHourglass);
    // A copy started at the same moment may take the name between the check and listen():
    // listen() then fails, and this copy is the second one.
    if (m_services.instance.anotherIsRunning() || !m_services.instance.listen()) {
        m_services.instance.askRunningToActivate();
        m_splash->hide();
        m_services.dialogs.messageBox(alreadyRunningMessage());
        return false;
    }
    m_timer.start();
    return true;
}

void Startup::splashTimerTick() {
    m_timer.stop();
    // Whole before anything goes over it.
    if (m_splash)
        m_splash->drawWhenShown();
    m_services.dialogs.setMousePointer(MousePointer::ArrowHourglass);
    AppState &state = m_services.state;
    const QString shown =
        m_services.store.read(u"PIKORO"_s, u"ユーザー登録"_s, u"MSG"_s, u"0"_s).trimmed();
    // "Numerically 0": text that is no number counts as 0, like the value read at start always did.
    // Switched off or not, they come while no user name is stored: they register it.
    const bool wanted = shown.toInt() == 0 || UserName::read(m_services.store).isEmpty();
    if (wanted && state.instructionsShown != 1 && m_services.showInstructions) {
        m_services.showInstructions();
        state.instructionsShown = 1;
    }
    if (m_services.loadMainWindow)
        m_services.loadMainWindow();
}

void Startup::closeSplash() {
    QCoreApplication::instance()->removeEventFilter(this);
    m_splash.reset();
}

bool Startup::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Show && m_splash && watched != m_splash.get()) {
        // The show event comes before the window is mapped, so the window maps over a splash
        // that no longer keeps itself above everything.
        auto *window = qobject_cast<QWidget *>(watched);
        if (window && window->isWindow() &&
            (window->isModal() || window->windowType() == Qt::Dialog)) {
            m_splash->stopStayingOnTop();
            window->raise();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pikoro
