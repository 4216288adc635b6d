#pragma once

#include "app/MainLayout.h"

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

namespace pikoro {

struct AppState;
class Dialogs;
class ThreeDButton;
class ThreeDCheck;
class ThreeDPanel;
class WindowTransparency;
class WavePlayer;

// The picture area inside the frame (Picture4): shows one picture stretched over the area.
// The scaled copy is kept, so repainting a picture already shown is a plain copy.
class PictureArea : public QWidget {
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    void clearPicture();
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
    QImage m_scaled;
};

// The full-screen, borderless play window "ピコロ" with the drawn keyboard, the framed picture
// area, the mascot's place, the status line and the side column. It refuses every close
// request; the program ends only through the exit lock or the system ending the process.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // wave may be null (no sound service, e.g. in layout tests).
    MainWindow(AppState &state, Dialogs &dialogs, WavePlayer *wave, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load sequence: arranges the screen, empties the sound and MIDI tables, reads
    // PIKORO.ini, sets the transparency, lays out the keyboard and shows the window. Timer3
    // then runs startupTick() 50 ms later.
    void formLoad();

    // Arranges every control for a screen of screenPixels (hyouji), with the keyboard zoom
    // (0 = automatic).
    void hyouji(QSize screenPixels);
    // Shows the letter-key captions the state holds now (kana or Latin letters).
    void refreshKeyCaptions();
    // Applies TomeiFlag: transparency mode 3 when on, 0 when off.
    void applyTransparency();
    int transparencyMode() const;

    // Runs once, 50 ms after the window was first shown; the start-up opening hooks in here.
    std::function<void()> startupTick;

    // Controls, named and indexed as the key actions address them.
    std::array<ThreeDButton *, 32> Comnd{};
    std::array<ThreeDButton *, 10> Command3D1{};
    std::array<ThreeDButton *, 9> CMDM{};
    std::array<ThreeDButton *, 12> CMDF{};
    std::array<ThreeDButton *, 13> HAZURE{};
    ThreeDPanel *Panel3D1 = nullptr;
    PictureArea *Picture4 = nullptr;
    QLabel *nezu = nullptr;
    QLabel *Label2 = nullptr;
    ThreeDButton *BITMEDT = nullptr;
    ThreeDButton *midi_open = nullptr;
    ThreeDButton *MIDISTOP = nullptr;
    ThreeDPanel *KIOKUSU = nullptr;
    ThreeDButton *CLSB = nullptr;
    ThreeDButton *SAISEI = nullptr;
    ThreeDCheck *ChK = nullptr;

    double zoom() const { return m_zoom; }
    const MainScreenGeometry &geometryTwips() const { return m_geometry; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void placeControls();

    AppState &m_state;
    Dialogs &m_dialogs;
    WavePlayer *m_wave;
    std::unique_ptr<WindowTransparency> m_transparency;
    MainScreenGeometry m_geometry; // twips, on the screen divided by the zoom
    double m_zoom = 1.0;
    QSize m_screenPixels;
};

} // namespace pikoro
