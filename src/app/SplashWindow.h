#pragma once

#include <QLabel>
#include <QWidget>

namespace pikoro {

// The start-up splash "ピコロ" with "Now Reading....." and the sound-card status line, shown
// centred on the screen until the opening starts.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // Sizes the splash for the screen (5460 × 2580 twips at the keyboard zoom) and centres it.
    void centreOn(QSize screenPixels, double zoom);
    void setSoundCardStatus(const QString &text) { m_label2->setText(text); }
    QString soundCardStatus() const { return m_label2->text(); }

private:
    QLabel *m_label1;
    QLabel *m_label2;
};

} // namespace pikoro
