#include "ui/CalmScreens.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace pikoro {

CalmWindow::CalmWindow(QScreen &screen, QWidget &playScreen) : m_playScreen(playScreen) {
    // No frame, no taskbar entry, never the active window: the play screen keeps the keys.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setWindowTitle(playScreen.windowTitle());
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BlankCursor);
    create();
    windowHandle()->setScreen(&screen);
    setGeometry(screen.geometry());
    connect(&screen, &QScreen::geometryChanged, this,
            [this](const QRect &area) { setGeometry(area); });
    // Not showFullScreen(), which would ask for the focus.
    setWindowState(Qt::WindowFullScreen);
    setVisible(true);
}

void CalmWindow::paintEvent(QPaintEvent *event) {
    // The play screen's sky, top to bottom.
    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xFF, 0xF4, 0xD6));
    sky.setColorAt(1, QColor(0xD8, 0xEE, 0xFF));
    painter.fillRect(event->rect(), sky);
}

void CalmWindow::mousePressEvent(QMouseEvent *) {
    bringPlayScreenBack();
}

void CalmWindow::keyPressEvent(QKeyEvent *event) {
    forwardKey(event);
    bringPlayScreenBack();
}

void CalmWindow::keyReleaseEvent(QKeyEvent *event) {
    forwardKey(event);
}

void CalmWindow::forwardKey(QKeyEvent *event) {
    // Some desktops leave the keys here after a click, whatever we ask: they still play.
    QWidget *front = QApplication::activeModalWidget();
    if (!front)
        front = &m_playScreen;
    QWidget *target = front->focusWidget() ? front->focusWidget() : front;
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(),
                   event->isAutoRepeat(), event->count());
    QApplication::sendEvent(target, &copy);
}

void CalmWindow::changeEvent(QEvent *event) {
    // Where the desktop makes it the active window all the same (Wayland compositors decide
    // alone).
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        bringPlayScreenBack();
    QWidget::changeEvent(event);
}

void CalmWindow::bringPlayScreenBack() {
    QWidget *front = QApplication::activeModalWidget();
    if (!front)
        front = &m_playScreen;
    front->raise();
    front->activateWindow();
}

CalmScreens::CalmScreens(QWidget &playScreen, QObject *parent)
    : QObject(parent), m_playScreen(playScreen) {
    // Screens come and go before Qt has moved the windows off a screen taken away: the windows
    // are matched to the screens once that is done.
    const auto soon = [this] { QTimer::singleShot(0, this, &CalmScreens::update); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, soon);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, soon);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, soon);
    m_playScreen.installEventFilter(this);
    m_started = m_playScreen.isVisible();
    update();
}

CalmScreens::~CalmScreens() {
    m_playScreen.removeEventFilter(this);
}

bool CalmScreens::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Show && !m_started) {
        m_started = true;
        update();
    }
    return QObject::eventFilter(watched, event);
}

void CalmScreens::update() {
    const QList<QScreen *> screens = QGuiApplication::screens();
    QScreen *playScreen = m_playScreen.screen();
    std::erase_if(m_windows, [&](const auto &entry) {
        return !screens.contains(entry.first) || entry.first == playScreen;
    });
    if (!m_started)
        return;
    for (QScreen *screen : screens)
        if (screen != playScreen && !m_windows.contains(screen))
            m_windows.emplace(screen, std::make_unique<CalmWindow>(*screen, m_playScreen));
}

} // namespace pikoro
