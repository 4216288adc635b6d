#pragma once

#include "play/ScreenAwake.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;
class QWindow;

namespace pikoro {

// Keeps the screen on while the play screen is shown and not minimised, and lets it blank again
// when it is hidden or minimised and when the program ends.
class StayAwake : public QObject {
    Q_OBJECT
public:
    StayAwake(ScreenAwake &awake, QWidget &playScreen, QObject *parent = nullptr);
    ~StayAwake() override;

    // Every way the desktop offers (screen-saver service on the session bus, X11 screen-saver
    // suspension, Wayland idle inhibitor).
    static std::unique_ptr<StayAwake> forPlatform(QWidget &playScreen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    ScreenAwake &m_awake;
    QWidget &m_playScreen;
    std::unique_ptr<ScreenAwake> m_ownedAwake;
    QPointer<QWindow> m_watchedWindow;
    bool m_on = false;
};

} // namespace pikoro
