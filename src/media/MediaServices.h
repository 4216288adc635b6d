#pragma once

#include <QString>

namespace pikoro {

class AudioOutput;
class WavePlayer;
class MciDevice;
enum class MidiError;
class Speech;

// The sound services the windows receive; main() owns the objects.
struct MediaServices {
    AudioOutput &audio;
    WavePlayer &wave;
    MciDevice &mci;
    Speech &speech;
};

// How often playWave plays the file.
enum class WaveRepeat { Once, Loop };

// Plays a WAVE file in the background without cutting a sound that plays, once or looped.
// Does nothing and returns false for an empty path; otherwise returns whether the sound started.
bool playWave(WavePlayer &wave, const QString &path, WaveRepeat repeat);

// Stops the WAVE sound that plays.
void stopWave(WavePlayer &wave);

// The message for a WAVE file that could not be played: what failed, the file and why.
QString waveFailureMessage(const QString &path, const QString &reason);
// The message for a picture that could not be shown: `headline` (the text of old), the file
// and why.
QString pictureFailureMessage(const QString &headline, const QString &path, const QString &reason);

// Stops and closes the open MIDI piece, then opens `path`. Does nothing and returns None for an
// empty path; otherwise returns the open's error.
MidiError openMidi(MciDevice &mci, const QString &path);

// Closes the open piece.
MidiError closeMidi(MciDevice &mci);

// Stops, then plays the open piece from the start; returns the play's error.
MidiError playMidi(MciDevice &mci);

// Pauses the open piece.
MidiError pauseMidi(MciDevice &mci);

} // namespace pikoro
