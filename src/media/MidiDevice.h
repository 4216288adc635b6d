#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace pikoro {

// Why a MIDI device call failed.
enum class MidiError {
    None,
    FileNotFound, // no readable file at the path
    InvalidFile,  // not a MIDI file, or one the sequencer cannot play
    DeviceOpen,   // open while a piece is open: one piece at a time
    NotOpen       // play, stop, pause or close without an open piece
};

// The MIDI device: one piece at a time, opened from a file, played, paused, stopped, closed.
class MidiDevice : public QObject {
    Q_OBJECT
public:
    ~MidiDevice() override = default;

    // Opens the MIDI file at path as the one piece.
    virtual MidiError open(const QString &path) = 0;
    // Plays the open piece from where it was paused, else from the start.
    virtual MidiError play() = 0;
    // Halts the open piece and goes back to the start.
    virtual MidiError stop() = 0;
    // Halts the open piece, keeping the position.
    virtual MidiError pause() = 0;
    // Halts and forgets the open piece.
    virtual MidiError close() = 0;

signals:
    // The open piece played to its end by itself. Emitted on the device's thread, after the
    // calls made before it; a piece stopped, paused or closed in the meantime sends nothing.
    void pieceEnded();
};

// Plays one Standard MIDI File at a time. The calls come from the UI thread.
class MidiSequencer {
public:
    virtual ~MidiSequencer() = default;

    // Takes the bytes of a Standard MIDI File to play; false when they cannot be played.
    virtual bool load(const QByteArray &smf) = 0;
    // Plays from where a pause left off, else from the start.
    virtual void play() = 0;
    // Halts, keeping the position.
    virtual void pause() = 0;
    // Halts and goes back to the start.
    virtual void stop() = 0;
    // Halts and forgets the piece.
    virtual void unload() = 0;
    // True once the piece last played has reached its end and rung out, until the next
    // load, play, stop or unload.
    virtual bool hasPlayedToEnd() const { return false; }

    // What to call when a playing piece reaches its end; it may be called on any thread.
    void setEndCallback(std::function<void()> callback) { m_endCallback = std::move(callback); }

protected:
    void notifyPlayedToEnd() const {
        if (m_endCallback)
            m_endCallback();
    }

private:
    std::function<void()> m_endCallback;
};

// Reads a MIDI file: a Standard MIDI File, or a RIFF RMID file (whose "data" chunk is one).
// Returns None and the Standard MIDI File bytes in `smf`, FileNotFound when there is no
// readable file, or InvalidFile when it is not a MIDI file.
MidiError readMidiFile(const QString &path, QByteArray *smf);
// The same for a file's bytes: None and the Standard MIDI File in `smf`, or InvalidFile.
MidiError midiData(const QByteArray &bytes, QByteArray *smf);

// The sequencer device over a MidiSequencer. A stored path written with "\" separators is
// also tried with "/".
class SequencerMidiDevice : public MidiDevice {
    Q_OBJECT
public:
    explicit SequencerMidiDevice(std::unique_ptr<MidiSequencer> sequencer);
    ~SequencerMidiDevice() override;

    MidiError open(const QString &path) override;
    MidiError play() override;
    MidiError stop() override;
    MidiError pause() override;
    MidiError close() override;
    bool isOpen() const { return m_open; }

private:
    // On the device's thread: passes the sequencer's end on unless the piece changed since.
    void sequencerReachedEnd();

    std::unique_ptr<MidiSequencer> m_sequencer;
    bool m_open = false;
};

} // namespace pikoro
