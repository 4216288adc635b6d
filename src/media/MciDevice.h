#pragma once

#include "media/MciCommand.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace pikoro {

// The MIDI sequencer device, driven by MCI command strings.
class MciDevice {
public:
    virtual ~MciDevice() = default;

    // Carries out one command string (see parseMciCommand) and returns 0 or an MciError code.
    virtual std::uint32_t sendString(const QString &command) = 0;
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
};

// Reads a MIDI file: a Standard MIDI File, or a RIFF RMID file (whose "data" chunk is one).
// Returns MciError::None and the Standard MIDI File bytes in `smf`, FileNotFound when there is
// no readable file, or InvalidFile when it is not a MIDI file.
std::uint32_t readMidiFile(const QString &path, QByteArray *smf);

// The sequencer device: keeps the one open piece under its alias and answers MCI-style error
// codes. A stored path written with "\" separators is also tried with "/".
class SequencerMciDevice : public MciDevice {
public:
    explicit SequencerMciDevice(std::unique_ptr<MidiSequencer> sequencer);

    std::uint32_t sendString(const QString &command) override;
    // The alias of the open piece, empty when none is open.
    QString openAlias() const { return m_alias; }

private:
    std::uint32_t open(const MciCommand &command);

    std::unique_ptr<MidiSequencer> m_sequencer;
    QString m_alias;
};

} // namespace pikoro
