#pragma once

#include <QString>

namespace pikoro {

class AudioOutput;
class WavePlayer;
class MidiDevice;
enum class MidiError;
class Speech;

// The sound services the windows receive; main() owns the objects.
struct MediaServices {
    AudioOutput &audio;
    WavePlayer &wave;
    MidiDevice &midi;
    Speech &speech;
};

// The message for a WAVE file that could not be played: what failed, the file and why.
QString waveFailureMessage(const QString &path, const QString &reason);
// The message for a picture that could not be shown: `headline` (the text of old), the file
// and why.
QString pictureFailureMessage(const QString &headline, const QString &path, const QString &reason);

// Stops and closes the open MIDI piece, then opens `path`. Does nothing and returns None for an
// empty path; otherwise returns the open's error.
MidiError openMidi(MidiDevice &midi, const QString &path);

// Closes the open piece.
MidiError closeMidi(MidiDevice &midi);

// Stops, then plays the open piece from the start; returns the play's error.
MidiError playMidi(MidiDevice &midi);

// Pauses the open piece.
MidiError pauseMidi(MidiDevice &midi);

} // namespace pikoro
