#include "ui/SplashWindow.h"

#include "core/MainLayout.h"

#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace pikoro {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      m_label1(new QLabel(u"Now Reading....."_s, this)), m_label2(new QLabel(this)) {
    setWindowTitle(u"ピコロ"_s);
    QFont times(u"Times New Roman"_s);
    times.setStyleHint(QFont::Times);
    times.setPointSize(24);
    times.setItalic(true);
    m_label1->setFont(times);
    m_label1->setAlignment(Qt::AlignCenter);
    m_label2->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1, 2);
    layout->addWidget(m_label2, 1);
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
    setGeometry(nowreadGeometryInPixels(screenPixels, zoom));
}

} // namespace pikoro
