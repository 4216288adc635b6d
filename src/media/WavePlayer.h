#pragma once

#include "media/ClipVoice.h"

#include <QString>

class QIODevice;

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
    // Why the file of the last play could not be played, in words for the user; empty after a
    // play that started, and when it was refused only because another sound was playing.
    virtual QString fileError() const { return {}; }
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
    QString fileError() const override { return m_fileError; }

private:
    AudioOutput &m_output;
    ClipVoice m_voice;
    QString m_error;
    QString m_fileError;
};

// Key sounds are short: a WAVE file is played for at most this long, which also bounds the
// memory its sound takes.
inline constexpr int MaxSoundSeconds = 60;
// Larger files are refused unread; only the part that plays is ever read.
inline constexpr qint64 MaxSoundFileSize = 1024LL * 1024 * 1024;

// Reads a WAVE file (RIFF, RIFX or RF64; PCM 8/16/24/32, float, MS or IMA ADPCM, mu-law,
// A-law) into a stereo clip at `sampleRate`, at most MaxSoundSeconds long. Any other file,
// whatever its name, is refused. On failure returns an empty clip and sets `error` to the
// reason, in words for the user.
AudioClip decodeSoundFile(const QString &path, int sampleRate, QString *error);
// The same for a WAVE file's bytes in `device`, read from its start.
AudioClip decodeSound(QIODevice *device, int sampleRate, QString *error);

} // namespace pikoro
