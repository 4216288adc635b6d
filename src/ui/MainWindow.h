#pragma once

#include "core/MainLayout.h"
#include "play/MainScreenView.h"

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTimer>
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
class KeyActions;
class SettingsWindow;
class UserStore;
class PictureCache;
class WindowTransparency;
struct MediaServices;

// The picture area inside the frame: shows one picture stretched over the area.
// The scaled copy is kept, so repainting a picture already shown is a plain copy.
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
    QImage m_scaled;
};

// The full-screen, borderless play window "ピコロ" with the drawn keyboard, the framed picture
// area, the mascot's place, the status line and the side column. It refuses every close
// request; the program ends only through the exit lock or the system ending the process.
class MainWindow : public QWidget, public MainScreenView {
    Q_OBJECT
public:
    MainWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &store,
               HelpViewer &help, QWidget *parent = nullptr);
    ~MainWindow() override;

    KeyActions &keyActions() { return *m_keys; }
    // The settings window, created hidden by the load sequence (null before it).
    SettingsWindow *settingsWindow() const { return m_settings.get(); }
    // A press on the bare background: Shift/Ctrl + left opens the settings, Ctrl + right asks
    // for the user name to leave.
    void onBackgroundPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // Ends the program after the exit confirmation; by default ends the event loop.
    std::function<void()> endProgram;

    // The load sequence: arranges the screen, empties the sound and MIDI tables, reads
    // PIKORO.ini, sets the transparency, lays out the keyboard and shows the window. The start-up
    // timer then runs startupTick() 50 ms later.
    void formLoad();

    // Arranges every control for a screen of screenPixels (layoutMainScreen), with the keyboard
    // zoom the settings hold (0 = automatic).
    void layoutMainScreen(QSize screenPixels);
    // Shows the letter-key captions the state holds now (kana or Latin letters).
    void refreshKeyCaptions();
    // Applies seeThroughWindow to the window background.
    void applyTransparency();
    bool seeThroughRequested() const;

    // Runs when the start-up opening begins, 50 ms after the window was first shown.
    std::function<void()> onUnloadSplash;

    // MainScreenView: what the key actions switch, focus and show.
    void setButtonEnabled(ScreenButton array, int index, bool enabled) override;
    bool isButtonEnabled(ScreenButton array, int index) const override;
    void focusButton(ScreenButton array, int index) override;
    void setSoundName(const QString &caption) override;
    QSize pictureFrameSize() const override;
    QRect pictureArea() const override;
    void showPicture(const QImage &image, const QRect &area) override;
    void startDance() override;
    void stopDance() override;
    void endMemoryPlayback() override {}
    void unloadSplash() override;

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
    void danceStep();
    void openSettings();
    void settingsApplied();
    void dropStartupNote();

    AppState &m_state;
    Dialogs &m_dialogs;
    MediaServices &m_media;
    UserStore &m_store;
    HelpViewer &m_help;
    QString m_startupNote; // why the start-up data file was not opened, until the first key
    std::unique_ptr<SettingsWindow> m_settings;
    std::unique_ptr<ExitLock> m_exitLock;
    std::unique_ptr<PictureCache> m_pictures;
    std::unique_ptr<KeyActions> m_keys;
    std::array<QLabel *, 4> m_sprites{};
    std::array<QPoint, 4> m_spriteStep{};
    QTimer *m_danceTimer = nullptr; // moves the dance sprites
    QRect m_pictureAreaTwips;       // picture area within the frame, as the key actions placed it
    QSize m_pictureShape; // proportions of the picture on show (twips), empty before the first
    std::unique_ptr<WindowTransparency> m_transparency;
    MainScreenGeometry m_geometry; // twips, on the screen divided by the zoom
    double m_zoom = 1.0;
    QSize m_screenPixels;
};

} // namespace pikoro
