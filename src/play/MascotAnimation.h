#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace pikoro {

// The frame (0 eyes open, 1 half closed, 2 closed) the mascot shows on the tick that leaves
// the blink cycle at `position` (0-3): half closed, closed, half closed, open.
int mascotFrameForPosition(int position);

// Whether a mouse press on the mascot opens the instructions window: the left button with
// Shift or Ctrl held.
bool mascotPressShowsInstructions(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

// The mascot's blink. Every second the next frame of the cycle half closed, closed, half
// closed, open is handed to `showFrame`. The timer runs from construction; the settings window
// stops it while it is open.
class MascotAnimation : public QObject {
    Q_OBJECT
public:
    static constexpr int FrameInterval = 1000; // ms

    explicit MascotAnimation(std::function<void(int frame)> showFrame, QObject *parent = nullptr);

    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    bool isRunning() const { return m_timer.isActive(); }
    const QTimer &frameTimer() const { return m_timer; }
    // Position in the blink cycle, 0-3; 0 at start.
    int cyclePosition() const { return m_position; }

public slots:
    // One tick of the frame timer: shows the next frame.
    void onFrameTick();

private:
    std::function<void(int)> m_showFrame;
    QTimer m_timer;
    int m_position = 0;
};

} // namespace pikoro
