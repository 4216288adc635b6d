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

// Plays a WAVE file in the background without cutting a sound that plays: once for mode 0,
// looped for mode 1, with no flags for any other mode. Does nothing and returns 0 for an empty
// path; otherwise returns 1 when the sound started, 0 when not.
std::int32_t playWave(WavePlayer &wave, const QString &path, std::int16_t mode);

// Stops the WAVE sound that plays; returns 1.
std::int32_t stopWave(WavePlayer &wave);

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
