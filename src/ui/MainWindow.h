#pragma once

#include "core/MainLayout.h"
#include "play/AutoPress.h"
#include "play/DanceAnimation.h"
#include "play/KeyMemory.h"
#include "play/KeyRouting.h"
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
class KeyActions;
class MascotAnimation;
class SettingsWindow;
class UserStore;
class PictureCache;
class WindowTransparency;
struct MediaServices;
struct AudioClip;
class ClipVoice;

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
// Beside the keys it runs the blinking mascot (a double-click asks for the automatic mode,
// Shift/Ctrl + click shows the instructions), the F10 dance, the miss picture of the
// unassigned keys and the key memory of the side column.
class MainWindow : public QWidget,
                   public MainScreenView,
                   public DanceView,
                   public AutoPressView,
                   public MemoryView {
    Q_OBJECT
public:
    MainWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &store,
               HelpViewer &help, QWidget *parent = nullptr);
    ~MainWindow() override;

    KeyActions &keyActions() { return *m_keys; }
    MascotAnimation &mascotAnimation() { return *m_mascotAnimation; }
    DanceAnimation &dance() { return *m_dance; }
    AutoPress &autoPress() { return *m_autoPress; }
    KeyMemory &keyMemory() { return *m_memory; }
    // The settings window, built when it is first wanted: the first screen does not wait for it.
    SettingsWindow &settingsWindow();
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
    void endMemoryPlayback() override;
    void unloadSplash() override;

    // DanceView: the sprites are labels on the picture area, placed and sized by the zoom.
    QSize danceArea() const override;
    void showDanceScene(const DanceState &state) override;
    void hideDance() override;

    // AutoPressView: the automatic mode presses keys as a click on their buttons would.
    void focusKey(AutoKeyRow row, int index) override;
    void clickKey(AutoKeyRow row, int index) override;

    // MemoryView: the side column's memory switch, counter and playback button, the status line
    // and the key actions' picture and sound steps.
    void showStoredPicture(const QString &picturePath) override;
    void playStoredSound(const QString &soundPath) override;
    bool soundsOn() const override;
    void setLoopingSuspended(bool suspended) override;
    void setStatusText(const QString &text) override;
    void showStatusNote(const QString &text) override;
    void setCounterText(const QString &text) override;
    void setPlaybackEnabled(bool enabled) override;
    bool isMemorySwitchOn() const override;
    void setMemorySwitchOn(bool on) override;
    void clearPictureHolder() override;

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
    void showMascotFrame(int frame);
    // A click on an unassigned key: the miss picture, counted as a key stroke.
    void onMissKeyClicked();
    // With answerEveryKey: every key of the keyboard acts as its button on the screen or misses;
    // the gesture modifiers act when let go. True when the event was used.
    bool everyKeyEvent(QEvent *event);
    void answerKey(const KeyAnswer &answer);
    // Shift/Ctrl + press and double-click on the mascot; true when the event was used.
    bool mascotEvent(QEvent *event);
    void openSettings();
    void settingsApplied();
    void dropStatusNote();

    AppState &m_state;
    Dialogs &m_dialogs;
    MediaServices &m_media;
    UserStore &m_store;
    HelpViewer &m_help;
    // Kept on the status line until the next key: why the start-up data file was not opened, or
    // that the memory is full.
    QString m_statusNote;
    std::unique_ptr<SettingsWindow> m_settings;
    bool m_formLoaded = false; // the settings gesture counts once the load sequence has run
    std::unique_ptr<ExitLock> m_exitLock;
    std::unique_ptr<PictureCache> m_pictures;
    std::unique_ptr<KeyActions> m_keys;
    std::unique_ptr<ClipVoice> m_missVoice; // the miss keys' short sound, with answerEveryKey
    std::shared_ptr<const AudioClip> m_missSound;
    ModifierTap m_modifierTap;
    MascotAnimation *m_mascotAnimation = nullptr;
    DanceAnimation *m_dance = nullptr;
    AutoPress *m_autoPress = nullptr;
    KeyMemory *m_memory = nullptr;
    // The built-in pictures at the present zoom: the mascot's frames, the yellow and pink birds
    // facing right and left, the note and the heart.
    std::array<QPixmap, 3> m_mascotFrames;
    int m_mascotFrame = 0;
    std::array<QPixmap, 4> m_birdPictures;
    std::array<QPixmap, 2> m_companionPictures;
    QRect m_pictureAreaTwips; // picture area within the frame, as the key actions placed it
    QSize m_pictureShape;     // proportions of the picture on show (twips), empty before the first
    std::unique_ptr<WindowTransparency> m_transparency;
    MainScreenGeometry m_geometry; // twips, on the screen divided by the zoom
    double m_zoom = 1.0;
    QSize m_screenPixels;
};

} // namespace pikoro
