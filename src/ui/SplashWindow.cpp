#include "ui/SplashWindow.h"

#include "core/MainLayout.h"
#include "play/BuiltinPictures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace pikoro {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      m_titleLabel(new QLabel(u"Now Reading....."_s, this)), m_soundCardLabel(new QLabel(this)),
      m_pictureLabel(new QLabel(this)) {
    setWindowTitle(u"ピコロ"_s);
    QFont times(u"Times New Roman"_s);
    times.setStyleHint(QFont::Times);
    times.setPointSize(24);
    times.setItalic(true);
    m_titleLabel->setFont(times);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_soundCardLabel->setAlignment(Qt::AlignCenter);
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    auto *row = new QHBoxLayout;
    row->addWidget(m_pictureLabel);
    row->addWidget(m_titleLabel, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row, 2);
    layout->addWidget(m_soundCardLabel, 1);
    // Painted by the window itself: the background is there in the very first frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SplashWindow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xFF, 0xF8, 0xE0));
    painter.setPen(QPen(QColor(0x8A, 0x6D, 0x3B), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void SplashWindow::showDrawn() {
    show();
    drawWhenShown();
}

void SplashWindow::drawWhenShown() {
    // The wait sleeps until the display answers (or the limit's timer fires), leaving the
    // processor to the display server that has to map the window.
    const QDeadlineTimer deadline(std::chrono::milliseconds(500));
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(500);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    repaint();
}

void SplashWindow::stopStayingOnTop() {
    const Qt::WindowFlags flags = windowFlags() & ~Qt::WindowStaysOnTopHint;
    if (flags == windowFlags())
        return;
    // Changed in place: setWindowFlags() would make a new native window, and that would be
    // stacked above the windows made before it.
    overrideWindowFlags(flags);
    if (QWindow *window = windowHandle())
        window->setFlags(flags);
}

void SplashWindow::centreOn(QSize screenPixels, double zoom) {
    const QRect place = splashGeometryInPixels(screenPixels, zoom);
    setGeometry(place);
    const int side = place.height() * 2 / 5;
    m_pictureLabel->setPixmap(QPixmap::fromImage(
        mascotFramePicture(0).scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace pikoro
