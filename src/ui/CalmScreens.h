#pragma once

#include <QObject>
#include <QWidget>
#include <map>
#include <memory>

class QScreen;

namespace pikoro {

// A plain picture in the play screen's colours over a screen the play screen does not cover.
// It asks for no focus: a click there brings the play screen (or the window open over it) back
// to the front, and a key that reaches it all the same goes on to that window.
class CalmWindow : public QWidget {
    Q_OBJECT
public:
    CalmWindow(QScreen &screen, QWidget &playScreen);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void bringPlayScreenBack();
    void forwardKey(QKeyEvent *event);

    QWidget &m_playScreen;
};

// With several monitors, the play screen covers its own and a calm window covers each of the
// others, from the time the play screen is first shown; monitors plugged in or taken away
// while the program runs are followed. The calm windows close with this object.
class CalmScreens : public QObject {
    Q_OBJECT
public:
    explicit CalmScreens(QWidget &playScreen, QObject *parent = nullptr);
    ~CalmScreens() override;

    int count() const { return int(m_windows.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QWidget &m_playScreen;
    bool m_started = false;
    std::map<QScreen *, std::unique_ptr<CalmWindow>> m_windows;
};

} // namespace pikoro
