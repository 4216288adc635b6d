#pragma once

#include <QLabel>
#include <QWidget>

namespace pikoro {

// The start-up splash "ピコロ" with the mascot, "Now Reading....." and the sound-card status
// line, shown centred on the screen until the opening starts.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // Sizes the splash for the screen (5460 × 2580 twips at the keyboard zoom) and centres it.
    void centreOn(QSize screenPixels, double zoom);
    // Shows the splash and draws it as soon as the display shows it (waiting half a second at
    // most), so that it is whole from its first frame.
    void showDrawn();
    // Draws the shown splash as soon as the display shows it, if the event loop has not yet.
    void drawWhenShown();
    void setSoundCardStatus(const QString &text) { m_soundCardLabel->setText(text); }
    QString soundCardStatus() const { return m_soundCardLabel->text(); }

    // The splash keeps itself above other windows so that it stays visible over the main
    // window while that loads. A window that needs an answer must not sit hidden beneath it:
    // this lets such a window come on top; the splash stays on screen, below it.
    void stopStayingOnTop();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_titleLabel;
    QLabel *m_soundCardLabel;
    QLabel *m_pictureLabel;
};

} // namespace pikoro
