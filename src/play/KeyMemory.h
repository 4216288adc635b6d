#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

namespace pikoro {

class Dialogs;

// Texts of the key memory on the main screen.
QString memorySwitchCaption();  // the memory switch
QString memoryFullMessage();    // status line: an eleventh key is refused
QString memoryEmptyMessage();   // status line: playback with nothing stored
QString memoryClearTitle();     // the clear question's title
QString memoryClearQuestion();  // the clear question
QString playbackFinishedText(); // status line: playback went through every stored key
QString memoryClearedText();    // status line: the memory was emptied

// What the key memory needs of the main window.
class MemoryView {
public:
    virtual ~MemoryView() = default;
    // Puts a stored key's picture path into the picture-path holder and, unless it is empty,
    // shows that picture; a picture that cannot be read leaves the previous one on screen.
    virtual void showStoredPicture(const QString &picturePath) = 0;
    // Plays a stored key's WAVE file once (never looped), with its title in the status line.
    virtual void playStoredSound(const QString &soundPath) = 0;
    // Whether key sounds are switched on.
    virtual bool soundsOn() const = 0;
    // Keeps WAVE sounds from looping while a playback runs; false gives the setting back.
    virtual void setLoopingSuspended(bool suspended) = 0;
    // The status line (sound-name panel).
    virtual void setStatusText(const QString &text) = 0;
    // Shows `text` on the status line until the next key is pressed: the sound names of the key
    // actions meanwhile wait behind it.
    virtual void showStatusNote(const QString &text) = 0;
    // The counter panel.
    virtual void setCounterText(const QString &text) = 0;
    // The playback button.
    virtual void setPlaybackEnabled(bool enabled) = 0;
    // The memory switch.
    virtual bool isMemorySwitchOn() const = 0;
    virtual void setMemorySwitchOn(bool on) = 0;
    // Empties the picture-path holder, so the next key shows its picture even when it is the
    // one on screen.
    virtual void clearPictureHolder() = 0;
};

// The main screen's key memory: while the memory switch is on, up to ten key actions are
// stored; playback shows their pictures again (and plays their sounds) one per second; clear
// empties it after a question. Nothing of it is saved.
class KeyMemory : public QObject {
    Q_OBJECT
public:
    static constexpr int Capacity = 10;
    static constexpr int PlaybackInterval = 1000; // ms

    struct Entry {
        QString picture;
        QString sound;
        bool operator==(const Entry &) const = default;
    };

    KeyMemory(MemoryView &view, Dialogs &dialogs, QObject *parent = nullptr);

    // Records the key action that has just run (its picture and sound paths). A key stroke
    // since the last playback start enables the playback button. With the switch off nothing
    // is stored; an eleventh key is refused with a note on the status line.
    void store(const QString &picturePath, const QString &soundPath);
    // The playback button: with nothing stored a line on the status line, otherwise the first
    // stored picture at once and the others one per second.
    void play();
    // The clear button: asks, and on OK empties the memory and switches it off.
    void clear();

    // A key action started: ends a playback under way (every key, digit and extra key).
    void keyActionStarted();
    // A key stroke that does not stop the playback timer (the miss picture): the playback
    // ends at its next tick when sounds are on, or after the next picture otherwise.
    void markKeyStroke() { m_keyStroke = true; }

    int count() const { return m_count; }
    const std::array<Entry, Capacity> &entries() const { return m_entries; }
    bool isPlaying() const { return m_playing; }
    // The entry the next playback tick shows, 1-10.
    int playbackStep() const { return m_step; }
    const QTimer &playbackTimer() const { return m_timer; }

public slots:
    // The playback timer: shows the next stored key, or ends the playback.
    void onPlaybackTick();

private:
    // Shows stored entry k (1-9) and arms the next tick, unless every stored key was shown.
    void showEntry(int k);
    void showStored(int k);
    void armStep(int next);
    void finish();

    MemoryView &m_view;
    Dialogs &m_dialogs;
    QTimer m_timer;
    std::array<Entry, Capacity> m_entries{};
    int m_count = 0;
    int m_step = 1;
    bool m_keyStroke = false;
    bool m_playing = false;
};

} // namespace pikoro
