#pragma once

#include "core/MainLayout.h"
#include "play/MainScreenView.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
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
class ExitLock;
class HelpViewer;
class PlayController;
class SettingsWindow;
class UserStore;
class WindowTransparency;
struct MediaServices;

// A built-in picture at the main screen's zoom, drawn and scaled when it is first shown at that
// size rather than at every layout: the start lays the screen out twice, and the dance's birds
// are often never needed at all.
class ZoomedPicture {
public:
    explicit ZoomedPicture(std::function<QImage()> draw) : m_draw(std::move(draw)) {}
    void setSize(QSize size) { m_size = size.expandedTo({1, 1}); }
    const QPixmap &pixmap();

private:
    std::function<QImage()> m_draw;
    QSize m_size{1, 1};
    QPixmap m_pixmap;
};

// The picture area inside the frame: shows one picture stretched over the area.
// The scaled copy is kept, so repainting a picture already shown is a plain copy of the part
// that needs it (a dance sprite's old and new place).
class PictureArea : public QWidget {
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
    // The picture reduced to the area, when it is larger than the area.
    QImage m_reduced;
};

// The full-screen, borderless play window "ピコロ" with the drawn keyboard, the framed picture
// area, the mascot's place, the status line and the side column. It refuses every close
// request; the program ends only through the exit lock or the system ending the process.
// The game itself is the PlayController's: the window hands it each key, click and gesture once
// and renders what it is told. Of its own it keeps the layout, the background gestures (settings
// and exit) and the instructions behind Shift/Ctrl + click on the mascot.
class MainWindow : public QWidget, public MainScreenView {
    Q_OBJECT
public:
    MainWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &store,
               HelpViewer &help, QWidget *parent = nullptr);
    ~MainWindow() override;

    PlayController &play() { return *m_play; }
    // The settings window, built when it is first wanted: the first screen does not wait for it.
    SettingsWindow &settingsWindow();
    // A press on the bare background: Shift/Ctrl + left opens the settings, Ctrl + right asks
    // for the user name to leave.
    void onBackgroundPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // Ends the program after the exit confirmation; by default ends the event loop.
    std::function<void()> endProgram;
    // Called once, as soon as the window's first paint has reached the display.
    std::function<void()> afterFirstPaint;

    // Arranges the screen, empties the sound and MIDI tables, reads PIKORO.ini, sets the
    // transparency, lays out the keyboard and shows the window full screen. The start-up
    // opening follows 50 ms later (PlayController::openingStarting).
    void loadAndShow();

    // Arranges every control for a screen of screenPixels (layoutMainScreen), with the keyboard
    // zoom the settings hold (0 = automatic).
    void layoutMainScreen(QSize screenPixels);
    // Shows the letter-key captions the state holds now (kana or Latin letters).
    void refreshKeyCaptions();
    // Applies seeThroughWindow to the window background.
    void applyTransparency();
    bool seeThroughRequested() const;

    // MainScreenView: what the play controller shows.
    void setButtonEnabled(ScreenButton array, int index, bool enabled) override;
    void focusButton(ScreenButton array, int index) override;
    void setStatusLine(const QString &text) override;
    QSize pictureFrameSize() const override;
    QRect pictureArea() const override;
    void showPicture(const QImage &image, const QRect &area) override;
    void setMemoryCounter(const QString &text) override;
    void setMemoryPlaybackEnabled(bool enabled) override;
    void setMemorySwitchOn(bool on) override;
    void showMascotFrame(int frame) override;
    // DanceView: the sprites are labels on the picture area, placed and sized by the zoom.
    QSize danceArea() const override;
    void showDanceScene(const DanceState &state) override;
    void hideDance() override;

    // Controls, named and indexed as the key actions address them.
    std::array<ThreeDButton *, 32> m_letterButtons{};
    std::array<ThreeDButton *, 10> m_digitButtons{};
    std::array<ThreeDButton *, 9> m_specialKeyButtons{};
    std::array<ThreeDButton *, 12> m_functionKeyButtons{};
    std::array<ThreeDButton *, 13> m_unassignedKeyButtons{};
    ThreeDPanel *m_pictureFrame = nullptr;
    PictureArea *m_pictureArea = nullptr;
    QLabel *m_mascot = nullptr;
    QLabel *m_statusLine = nullptr;
    ThreeDButton *m_pictureEditButton = nullptr;
    ThreeDButton *m_openingButton = nullptr;
    ThreeDButton *m_stopPieceButton = nullptr;
    ThreeDPanel *m_memoryCountPanel = nullptr;
    ThreeDButton *m_clearMemoryButton = nullptr;
    ThreeDButton *m_memoryPlaybackButton = nullptr;
    ThreeDCheck *m_memorySwitch = nullptr;
    // The four dance sprites (DanceSpriteIndex order) and their companions, children of the
    // picture area, hidden while no dance runs.
    std::array<QLabel *, 4> m_sprites{};
    std::array<QLabel *, 2> m_companions{};

    double zoom() const { return m_zoom; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void connectControls();
    void placeControls();
    ThreeDButton *button(ScreenButton array, int index) const;
    // Scales the built-in mascot, sprite and companion pictures for the zoom.
    void scaleBuiltinPictures();
    // Shift/Ctrl + press and double-click on the mascot; true when the event was used.
    bool mascotEvent(QEvent *event);
    void openSettings();
    void settingsApplied();

    AppState &m_state;
    Dialogs &m_dialogs;
    MediaServices &m_media;
    UserStore &m_store;
    HelpViewer &m_help;
    std::unique_ptr<SettingsWindow> m_settings;
    bool m_loaded = false; // the settings gesture counts once loadAndShow has run
    std::unique_ptr<ExitLock> m_exitLock;
    std::unique_ptr<PlayController> m_play;
    // The built-in pictures at the present zoom: the mascot's frames, the yellow and pink birds
    // facing right and left, the note and the heart.
    std::array<ZoomedPicture, 3> m_mascotFrames;
    int m_mascotFrame = 0;
    std::array<ZoomedPicture, 4> m_birdPictures;
    std::array<ZoomedPicture, 2> m_companionPictures;
    QRect m_pictureAreaTwips; // picture area within the frame, as the key actions placed it
    QSize m_pictureShape;     // proportions of the picture on show (twips), empty before the first
    std::unique_ptr<WindowTransparency> m_transparency;
    MainScreenGeometry m_geometry; // twips, on the screen divided by the zoom
    double m_zoom = 1.0;
    QSize m_screenPixels;
};

} // namespace pikoro
