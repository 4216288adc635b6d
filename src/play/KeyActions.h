#pragma once

#include "media/Picture.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

namespace pikoro {

struct AppState;
struct MediaServices;
class Dialogs;
class MainScreenView;
class PictureCache;

// Texts of the sound-name panel when a key has nothing to play.
QString noMidiMark();  // 32 asterisks: a MIDI key without a piece
QString noSoundMark(); // 34 asterisks: a key without a WAVE sound

// The key actions of the main screen: turns key presses and button clicks into a picture in the
// picture area followed half a second later by the key's WAVE sound, or into a MIDI piece, and
// runs the opening. It keeps its own working state (an action under way, a piece playing, the
// status note), reads the tables and flags of the shared AppState and tells the window what to
// show through MainScreenView, so it runs without a display.
//
// A key's sound follows its picture after half a second; with answerEveryKey a key that comes
// sooner after the one before sounds at once instead, cutting the sound before it.
// The sound-delay timer (500 ms, precise, one shot), its lead timer (the sound handed to the
// player 50 ms early, to start on the half second) and the start-up timer (50 ms, one shot)
// belong to this object; their handlers are public so that a test can run them at once.
class KeyActions : public QObject {
    Q_OBJECT
public:
    // All references must outlive the object.
    KeyActions(AppState &state, MainScreenView &view, MediaServices &media, Dialogs &dialogs,
               PictureCache &pictures, QObject *parent = nullptr);

    // A Qt key went down: the arrows click letter buttons 28-31 and F1-F10 click function keys
    // 0-9, unless an action is under way or a MIDI piece plays. Returns true when the key must not
    // reach the focused button (an action is under way, or the key was acted on).
    bool keyDown(int qtKey);
    // The window's character event: stops any MIDI piece, then focuses and clicks the button
    // of a digit, letter (either case) or space. Other characters only stop the piece.
    void onCharacterTyped(int characterCode);

    // Letter, space, return and arrow key i (slot order): its picture and sound, or in kana mode
    // its caption read aloud.
    void onLetterClicked(int index);
    // Digit key i: its picture and sound, or in kana mode the digit read aloud.
    void onDigitClicked(int index);
    // Special key i (ESC ... CAPS): plays MIDI slot i + 1.
    void onSpecialKeyClicked(int index);
    // Function key F(i + 1): plays MIDI slot i + 10; F10 also starts the dance.
    void onFunctionKeyClicked(int index);
    // The opening button: runs the opening again.
    void onOpeningClicked() { startOpening(); }
    // The stop button.
    void onStopPieceClicked() { stopKeyPiece(); }

    // Shows the picture named in the picture-path holder (unless it is empty or the same as
    // before) and arms the sound-delay timer for the sound step. A picture that cannot be read is
    // reported and the sound still follows.
    void runKeyAction();
    // Fits the picture source into the picture frame, keeping its proportions, and shows it.
    void drawKeyPicture();
    // Makes `picture` the picture source (e.g. a built-in picture) for drawKeyPicture.
    void setPictureSource(const QImage &picture);
    // Loads a picture file into the picture source; false (and the reason) when it cannot be
    // read. The source is unchanged then.
    bool loadPictureSource(const QString &path, QString *errorString = nullptr);
    // Prepares the pictures of the current tables in the background, at the size the picture
    // frame shows them, so that a first press finds its picture ready: letters first, then
    // digits, then the other keys. Runs after start-up and whenever the tables or the screen
    // arrangement changed.
    void preloadPictures();

    // A key was pressed (any key of the keyboard or the screen, the miss keys too): ends an
    // opening whose piece has not started yet, and returns whether the key's sound plays at once
    // (answerEveryKey on and the key came within the sound delay of the key before).
    bool beginKeyPress();

    // The sound-delay timer: the sound step after a picture, or the opening's MIDI step.
    void onSoundDelayElapsed();
    // Shortly before the sound step: the key's WAVE sound is handed to the player to start on
    // the step's time, so that it is heard then and not a sound block later.
    void onSoundLeadElapsed();
    // Shows the file title of currentFileName and plays it as a WAVE sound when sounds are on.
    // A file that cannot be played is reported, naming it and why, when reportSoundFailures is on.
    void playKeySound();
    // Starts currentFileName as a MIDI piece; the MIDI buttons stay disabled until a stop.
    // A piece that cannot be opened or played is reported and the buttons come back.
    void playKeyPiece();
    // Stops the MIDI piece and the dance and gives every MIDI button back.
    void stopKeyPiece();
    // A piece that played to its end by itself is stopped as the stop button would, so the
    // MIDI buttons come back.
    void onMidiPieceEnded();
    // Shows the opening picture (or the built-in one) and, 500 ms later, plays the opening piece
    // when playOpeningPiece is on.
    void startOpening();
    // Arms the start-up timer: the opening runs 50 ms later, once the main screen has appeared.
    void startStartupDelay();
    // The start-up timer: the start-up opening.
    void onStartupDelayElapsed();

    // Shows `text` on the status line, unless a note waits there for the next key.
    void setStatusText(const QString &text);
    // Shows `note` on the status line until the next key is played.
    void showStatusNote(const QString &note);
    // A key was played: the note goes.
    void dropStatusNote();

    // Disables the opening button, special keys 0-8, function keys 0-11 and the stop button.
    void disableMidiButtons();
    // Enables the opening button, special keys 0-8 and function keys 0-11; the stop button is left
    // as it is.
    void enableMidiButtons();
    // Enables letter buttons 0-31, digit buttons 0-9 and the 13 unassigned keys.
    void enableKeyButtons();

    // A stored key's picture: puts `path` into the picture-path holder and, unless it is empty,
    // shows that picture. A picture that cannot be read leaves the one on screen, silently.
    void showPictureFile(const QString &path);
    // A stored key's sound: runs the sound step for `path` at once (title in the status line,
    // played when sounds are on).
    void playSoundFile(const QString &path);
    // Empties the picture-path holder, so the next key shows its picture even when it is the
    // one on screen.
    void clearPicturePath();
    // While suspended, WAVE sounds play once even when looping is switched on.
    void setLoopingSuspended(bool suspended) { m_loopingSuspended = suspended; }

    // A key action is under way: keys and clicks are ignored until its sound step.
    bool isBusy() const { return m_busy; }
    // The picture-path holder: the picture file of the action under way.
    const QString &picturePath() const { return m_picturePath; }
    // The WAVE or MIDI file of the action under way.
    const QString &currentFileName() const { return m_currentFileName; }
    // The opening is under way (its picture shown, its piece not yet started).
    bool isOpeningActive() const { return m_openingActive; }
    // A MIDI piece of the keys or the opening plays (the stop button is on).
    bool isPiecePlaying() const { return m_piecePlaying; }
    bool isSoundDelayActive() const { return m_soundDelayTimer.isActive(); }
    const QTimer &soundDelayTimer() const { return m_soundDelayTimer; }
    const QTimer &soundLeadTimer() const { return m_soundLeadTimer; }
    const QTimer &startupTimer() const { return m_startupTimer; }

signals:
    // A key's picture step begins: a memory playback under way ends.
    void keyActionStarting();
    // F10's piece starts (true) or a piece stops (false): the dance follows.
    void danceWanted(bool dancing);
    // The start-up opening is about to run: the splash window may go.
    void openingStarting();
    // A letter, digit or extra key has shown its picture and armed its sound: picturePath() and
    // currentFileName() name what it did (not sent in kana mode, which only speaks).
    void keyActionRan();

private:
    enum class SoundFailure { Reported, Silent };
    // Arms the sound step half a second from now, and its lead.
    void armSoundDelay();
    // Disarms them; a sound handed over ahead of its time is dropped.
    void stopSoundDelay();
    void runSoundStep(SoundFailure failure);
    // Checks currentFileName's file title; shows the invalid-path message when it has none.
    // Returns the title, or nothing for an invalid path (an empty name is valid: no title).
    std::optional<QString> soundTitle();
    bool startMidiPiece();
    // Offers the action to the memory, then plays its sound at once when asked to.
    void finishKeyAction(bool soundAtOnce);
    void showUnfitted();
    QString readablePath(const QString &path) const;
    // Keeps the picture cache's size rule and budget in step with the picture frame.
    void fitCacheToFrame();
    void setPiecePlaying(bool playing);

    AppState &m_state;
    MainScreenView &m_view;
    MediaServices &m_media;
    Dialogs &m_dialogs;
    PictureCache &m_pictures;

    QTimer m_soundDelayTimer;
    QTimer m_soundLeadTimer;
    QTimer m_startupTimer;
    std::chrono::steady_clock::time_point m_soundDue; // when the sound-delay timer is due
    QString m_scheduledSound; // the sound file handed to the player for m_soundDue

    bool m_busy = false;
    bool m_piecePlaying = false;
    bool m_midiButtonsOn = true; // the opening, special and function keys answer
    QString m_statusNote;
    bool m_keyPressed = false; // a key was pressed since start-up
    QElapsedTimer m_lastPress; // since the last key press
    QString m_picturePath;
    QString m_currentFileName;
    bool m_openingActive = false;
    bool m_loopingSuspended = false;
    QString m_previousPictureText;
    QString m_lastPicturePath;
    QString m_extension;
    // The picture source: its file in the cache, or a picture of its own.
    QString m_sourcePath;
    Picture m_source;
    QSize m_cacheFrame; // the picture frame the cache's size rule was made for
};

} // namespace pikoro
