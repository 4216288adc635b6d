#include "media/WavePlayer.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <limits>
#include <memory>
#include <vector>

namespace pikoro {

namespace {

struct SndFileCloser {
    void operator()(SNDFILE *file) const { sf_close(file); }
};

} // namespace

AudioClip decodeSoundFile(const QString &path, int sampleRate, QString *error) {
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return AudioClip{};
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1: no such file").arg(path));

    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file)
        return fail(QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sf_strerror(nullptr))));
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0)
        return fail(QStringLiteral("%1: no sound in the file").arg(path));
    // Ten minutes of 8-channel sound is far beyond any key sound; refuse absurd headers.
    const sf_count_t maxFrames = sf_count_t(info.samplerate) * 600;
    if (info.frames > maxFrames || info.channels > 8)
        return fail(QStringLiteral("%1: the sound is too long").arg(path));

    std::vector<float> samples(std::size_t(info.frames) * std::size_t(info.channels));
    const sf_count_t read = sf_readf_float(file.get(), samples.data(), info.frames);
    if (read <= 0)
        return fail(QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sf_strerror(file.get()))));
    if (error)
        error->clear();
    return makeStereoClip(samples.data(), read, info.channels, info.samplerate, sampleRate);
}

AudioWavePlayer::AudioWavePlayer(AudioOutput &output) : m_output(output), m_voice(output) {}

bool AudioWavePlayer::playSound(const QString &path, unsigned flags) {
    m_error.clear();
    if (path.isEmpty()) {
        m_voice.stop();
        return true;
    }
    if ((flags & WavePlayFlag::NoStop) && m_voice.isPlaying()) {
        m_error = QStringLiteral("another sound is playing");
        return false;
    }
    auto clip = std::make_shared<AudioClip>(decodeSoundFile(path, m_output.sampleRate(), &m_error));
    if (clip->frames() == 0) {
        // The file could not be played; like the original call, what played before stops.
        m_voice.stop();
        return false;
    }
    m_voice.start(std::move(clip), (flags & WavePlayFlag::Loop) != 0);
    return true;
}

} // namespace pikoro
