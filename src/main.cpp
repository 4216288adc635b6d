#include "app/AppState.h"
#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    pikoro::AppState state;
    state.applicationFolder = QCoreApplication::applicationDirPath();
    pikoro::MainWindow window(state);
    window.showFullScreen();
    return app.exec();
}
