#include "app/MainWindow.h"

#include "app/AppState.h"

namespace pikoro {

MainWindow::MainWindow(AppState &state, QWidget *parent) : QWidget(parent), m_state(state)
{
    setWindowTitle(QStringLiteral("ピコロ"));
}

} // namespace pikoro
