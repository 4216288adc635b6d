#pragma once

#include "media/MciCommand.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace pikoro {

// The MIDI sequencer device, driven by MCI command strings.
class MciDevice : public QObject {
    Q_OBJECT
public:
    ~MciDevice() override = default;

    // Carries out one command string (see parseMciCommand) and returns 0 or an MciError code.
    virtual std::uint32_t sendString(const QString &command) = 0;

signals:
    // The open piece played to its end by itself. Emitted on the device's thread, after the
    // commands sent before it; a piece stopped, paused or closed in the meantime sends nothing.
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
// Returns MciError::None and the Standard MIDI File bytes in `smf`, FileNotFound when there is
// no readable file, or InvalidFile when it is not a MIDI file.
std::uint32_t readMidiFile(const QString &path, QByteArray *smf);

// The sequencer device: keeps the one open piece under its alias and answers MCI-style error
// codes. A stored path written with "\" separators is also tried with "/".
class SequencerMciDevice : public MciDevice {
    Q_OBJECT
public:
    explicit SequencerMciDevice(std::unique_ptr<MidiSequencer> sequencer);
    ~SequencerMciDevice() override;

    std::uint32_t sendString(const QString &command) override;
    // The alias of the open piece, empty when none is open.
    QString openAlias() const { return m_alias; }

private:
    std::uint32_t open(const MciCommand &command);
    // On the device's thread: passes the sequencer's end on unless the piece changed since.
    void sequencerReachedEnd();

    std::unique_ptr<MidiSequencer> m_sequencer;
    QString m_alias;
};

} // namespace pikoro
