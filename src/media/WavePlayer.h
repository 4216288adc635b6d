#pragma once

#include "media/ClipVoice.h"

#include <QString>

class QIODevice;

namespace pikoro {

// Plays one WAVE file at a time, once or looped, in the background.
class WavePlayer {
public:
    enum class Repeat { Once, Loop };

    virtual ~WavePlayer() = default;

    // Plays the WAVE file at `path` in the background, in place of the sound that plays, which
    // stops whether or not the new one starts. False for an empty path and when the file is
    // missing or cannot be decoded (fileError() says why).
    virtual bool play(const QString &path, Repeat repeat) = 0;
    // Plays the WAVE file at `path` as play() does, from the moment `due` is heard: the sound
    // that plays goes on until then; a play, playAt or stop before then drops it. False, with
    // nothing changed, when the file cannot be played or the player cannot play ahead: the
    // caller then plays it at its time.
    virtual bool playAt(const QString & /*path*/, Repeat /*repeat*/, SteadyTime /*due*/) {
        return false;
    }
    // Stops the sound that plays, and one waiting for its time.
    virtual void stop() = 0;
    // Why the file of the last play could not be played, in words for the user; empty after a
    // play that started, and when it was refused only because another sound was playing.
    virtual QString fileError() const { return {}; }
};

// Decodes WAVE files with libsndfile and plays them through an AudioOutput.
class AudioWavePlayer : public WavePlayer {
public:
    // `output` must outlive the player.
    explicit AudioWavePlayer(AudioOutput &output);

    bool play(const QString &path, Repeat repeat) override;
    bool playAt(const QString &path, Repeat repeat, SteadyTime due) override;
    void stop() override;
    // True while a sound plays.
    bool isPlaying() const { return m_voice.isPlaying(); }
    // Why the last play failed, empty after a success.
    QString errorString() const { return m_error; }
    QString fileError() const override { return m_fileError; }

private:
    // The file's sound at the output's rate; nothing (and the reason set) when it cannot play.
    std::shared_ptr<const AudioClip> decode(const QString &path);

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

// Opens libsndfile and its codecs now, on the calling thread, rather than with the first sound
// decoded (by the window's thread, in the middle of a key's handling).
void openSoundFileLibrary();

// Reads a WAVE file (RIFF, RIFX or RF64; PCM 8/16/24/32, float, MS or IMA ADPCM, mu-law,
// A-law) into a stereo clip at `sampleRate`, at most MaxSoundSeconds long. Any other file,
// whatever its name, is refused. On failure returns an empty clip and sets `error` to the
// reason, in words for the user.
AudioClip decodeSoundFile(const QString &path, int sampleRate, QString *error);
// The same for a WAVE file's bytes in `device`, read from its start.
AudioClip decodeSound(QIODevice *device, int sampleRate, QString *error);

} // namespace pikoro
