#include "ui/SplashWindow.h"

#include "core/MainLayout.h"

#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace pikoro {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      m_titleLabel(new QLabel(u"Now Reading....."_s, this)), m_soundCardLabel(new QLabel(this)) {
    setWindowTitle(u"ピコロ"_s);
    QFont times(u"Times New Roman"_s);
    times.setStyleHint(QFont::Times);
    times.setPointSize(24);
    times.setItalic(true);
    m_titleLabel->setFont(times);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_soundCardLabel->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLabel, 2);
    layout->addWidget(m_soundCardLabel, 1);
    setStyleSheet(u"SplashWindow { background: #fff8e0; border: 2px solid #8a6d3b; }"_s);
    setAttribute(Qt::WA_StyledBackground);
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
    setGeometry(splashGeometryInPixels(screenPixels, zoom));
}

} // namespace pikoro
