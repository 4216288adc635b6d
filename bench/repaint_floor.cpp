// The floor of the side-by-side latency measurement: a full-screen Qt window that answers each key
// by repainting one small square. Whatever latency_vs_bambam.py measures for it is the X server,
// Qt's event delivery and the measuring script, not work of the program.

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

class SquareWindow : public QWidget {
protected:
    void keyPressEvent(QKeyEvent *) override {
        m_presses++;
        update(Square);
    }
    void paintEvent(QPaintEvent *) override {
        QPainter(this).fillRect(Square, m_presses % 2 ? Qt::red : Qt::blue);
    }

private:
    static constexpr QRect Square{100, 100, 64, 64};
    int m_presses = 0;
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    SquareWindow window;
    window.setWindowTitle(QStringLiteral("repaint floor"));
    // The whole screen also without a window manager, like PIKORO's play window.
    window.setGeometry(window.screen()->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
