#pragma once

#include <QString>

#include <cstdint>

namespace pikoro {

class AudioOutput;
class WavePlayer;
class MciDevice;
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

// Stops and closes the MIDI piece under the alias midifile, then opens `path` under it.
// Does nothing and returns 0 for an empty path; otherwise returns the open's MCI error code.
std::int32_t openMidi(MciDevice &mci, const QString &path);

// Closes the piece under the alias midifile; returns the MCI error code.
std::int32_t closeMidi(MciDevice &mci);

// Stops, then plays the piece under the alias midifile; returns the play's MCI error code.
std::int32_t playMidi(MciDevice &mci);

// Pauses the piece under the alias midifile; returns the MCI error code.
std::int32_t pauseMidi(MciDevice &mci);

} // namespace pikoro
