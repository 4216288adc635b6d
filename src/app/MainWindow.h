#pragma once

#include <QWidget>

namespace pikoro {

struct AppState;

// The full-screen play window "ピコロ".
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(AppState &state, QWidget *parent = nullptr);

private:
    AppState &m_state;
};

} // namespace pikoro
