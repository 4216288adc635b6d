#pragma once

#include "media/ClipVoice.h"

#include <QString>

namespace pikoro {

// Flags of the simple sound call, with the values the program passes.
namespace WavePlayFlag {
constexpr unsigned Async = 1;     // play in the background
constexpr unsigned NoDefault = 2; // no default sound when the file cannot be played
constexpr unsigned Loop = 8;      // repeat until stopped
constexpr unsigned NoStop = 16;   // fail rather than cut a sound that is playing
} // namespace WavePlayFlag

// Plays one WAVE file at a time, once or looped, in the background.
class WavePlayer {
public:
    virtual ~WavePlayer() = default;

    // Plays the WAVE file at `path` with WavePlayFlag `flags`, replacing the sound that plays
    // (unless NoStop is given and one still sounds: then false). An empty path stops the sound
    // and returns true. False when the file is missing or cannot be decoded. Sounds always play
    // in the background, also without Async.
    virtual bool playSound(const QString &path, unsigned flags) = 0;
};

// Decodes WAVE files with libsndfile and plays them through an AudioOutput.
class AudioWavePlayer : public WavePlayer {
public:
    // `output` must outlive the player.
    explicit AudioWavePlayer(AudioOutput &output);

    bool playSound(const QString &path, unsigned flags) override;
    // True while a sound plays.
    bool isPlaying() const { return m_voice.isPlaying(); }
    // Why the last play failed, empty after a success.
    QString errorString() const { return m_error; }

private:
    AudioOutput &m_output;
    ClipVoice m_voice;
    QString m_error;
};

// Reads a sound file (WAVE with PCM 8/16/24/32, float, MS or IMA ADPCM, mu-law, A-law, and
// whatever else libsndfile reads) into a stereo clip at `sampleRate`. On failure returns an
// empty clip and sets `error`.
AudioClip decodeSoundFile(const QString &path, int sampleRate, QString *error);

} // namespace pikoro
