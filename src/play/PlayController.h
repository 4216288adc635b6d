#pragma once

#include "play/AutoPress.h"
#include "play/KeyMemory.h"
#include "play/KeyRouting.h"

#include <QObject>
#include <memory>

namespace pikoro {

struct AppState;
struct AudioClip;
struct MediaServices;
class ClipVoice;
class DanceAnimation;
class Dialogs;
class KeyActions;
class MainScreenView;
class MascotAnimation;
class PictureCache;

// The play screen's game: owns the key actions, the key memory, the F10 dance, the automatic
// mode and the mascot's blink, and with them every state of play (an action under way, a piece
// playing, the memory switch, the status note). The main window hands it raw input once and
// renders what it is told through MainScreenView; nothing it decides is read back from a widget.
class PlayController : public QObject, private MemoryView, private AutoPressView {
    Q_OBJECT
public:
    // All references must outlive the controller.
    PlayController(AppState &state, MainScreenView &view, MediaServices &media, Dialogs &dialogs,
                   QObject *parent = nullptr);
    ~PlayController() override;

    // A key event of the play screen. Returns true when it must go no further (to the focused
    // button): every press does; a release only when every key answers.
    bool keyEvent(const KeyStroke &stroke, bool pressed, bool autoRepeat);
    // A mouse press or the window losing the keyboard: a Shift or Ctrl held meanwhile is a
    // gesture, not a key.
    void interruptModifier();
    // A click on a button of the screen's keyboard, the opening or the stop button.
    void buttonClicked(ScreenButton array, int index);
    // The side column's memory switch, playback and clear buttons.
    void memorySwitchClicked(bool on);
    void memoryPlaybackClicked();
    void clearMemoryClicked();
    // A double-click on the mascot asks about the automatic mode.
    void mascotDoubleClicked();
    // The settings window opens (the mascot rests and a piece stops) or has closed.
    void settingsOpening();
    void settingsClosed();

    // Stops the piece that plays and the dance.
    void stopPiece();
    bool isPiecePlaying() const;
    // A note on the status line until the next key is played.
    void showStatusNote(const QString &note) override;
    // A line on the status line, unless a note waits there.
    void setStatusText(const QString &text) override;
    // Arms the start-up opening, 50 ms after the screen appeared.
    void startStartupDelay();
    // Prepares the pictures of the current tables for a first press.
    void preloadPictures();

    KeyActions &keyActions() { return *m_keys; }
    KeyMemory &keyMemory() { return *m_memory; }
    DanceAnimation &dance() { return *m_dance; }
    AutoPress &autoPress() { return *m_autoPress; }
    MascotAnimation &mascot() { return *m_mascot; }

signals:
    // The start-up opening is about to run: the splash window may go.
    void openingStarting();

private:
    // Every key answers: acts as its button on the screen, or misses.
    void answerKey(const KeyAnswer &answer);
    // A click on an unassigned key: the miss picture, counted as a key stroke.
    void missKeyClicked();

    // MemoryView: the stored keys go straight to the key actions.
    void showStoredPicture(const QString &picturePath) override;
    void playStoredSound(const QString &soundPath) override;
    bool soundsOn() const override;
    void setLoopingSuspended(bool suspended) override;
    void setCounterText(const QString &text) override;
    void setPlaybackEnabled(bool enabled) override;
    bool isMemorySwitchOn() const override { return m_memorySwitchOn; }
    void setMemorySwitchOn(bool on) override;
    void clearPictureHolder() override;
    // AutoPressView: presses a key as the child's click would.
    void focusKey(AutoKeyRow row, int index) override;
    void clickKey(AutoKeyRow row, int index) override;

    AppState &m_state;
    MainScreenView &m_view;
    MediaServices &m_media;
    Dialogs &m_dialogs;
    std::unique_ptr<PictureCache> m_pictures;
    std::unique_ptr<KeyActions> m_keys;
    std::unique_ptr<ClipVoice> m_missVoice; // the miss keys' short sound, with answerEveryKey
    std::shared_ptr<const AudioClip> m_missSound;
    KeyMemory *m_memory = nullptr;
    DanceAnimation *m_dance = nullptr;
    AutoPress *m_autoPress = nullptr;
    MascotAnimation *m_mascot = nullptr;
    ModifierTap m_modifierTap;
    bool m_memorySwitchOn = false;
};

} // namespace pikoro
