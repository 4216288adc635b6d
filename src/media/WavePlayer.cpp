#include "media/WavePlayer.h"

#include "core/SafeWrite.h"
#include "media/LoadedLibrary.h"
#include "media/Logging.h"

#include <QIODevice>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <span>
#include <vector>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

// libsndfile and its codecs are loaded with the first sound read, not before the first window.
#define PIKORO_SNDFILE_FUNCTIONS(F) F(sf_close) F(sf_open_virtual) F(sf_readf_float)
PIKORO_LIBRARY_FUNCTIONS(Sndfile, sndfile, "libsndfile.so.1", PIKORO_SNDFILE_FUNCTIONS)

struct SndFileCloser {
    void operator()(SNDFILE *file) const { sndfile().sf_close(file); }
};

// libsndfile reads through the device, so it takes only the parts of the file it decodes.
sf_count_t deviceLength(void *device) {
    return static_cast<QIODevice *>(device)->size();
}
sf_count_t deviceSeek(sf_count_t offset, int whence, void *data) {
    auto *device = static_cast<QIODevice *>(data);
    const qint64 base = whence == SEEK_CUR   ? device->pos()
                        : whence == SEEK_END ? device->size()
                                             : 0;
    if (offset > std::numeric_limits<qint64>::max() - base || base + offset < 0 ||
        !device->seek(base + offset))
        return -1;
    return device->pos();
}
sf_count_t deviceRead(void *to, sf_count_t count, void *device) {
    const qint64 read = static_cast<QIODevice *>(device)->read(static_cast<char *>(to), count);
    return read < 0 ? 0 : read;
}
sf_count_t deviceWrite(const void *, sf_count_t, void *) {
    return 0;
}
sf_count_t deviceTell(void *device) {
    return static_cast<QIODevice *>(device)->pos();
}

// RIFF (little-endian), RIFX (big-endian) and RF64 (large) WAVE files; everything else that
// libsndfile would also read (FLAC, Ogg, AIFF, raw headers of other programs) is no key sound.
bool looksLikeWave(const QByteArray &head) {
    return head.size() >= 12 &&
           (head.startsWith("RIFF") || head.startsWith("RIFX") || head.startsWith("RF64")) &&
           head.mid(8, 4) == "WAVE";
}

bool isWaveFormat(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64;
}

constexpr int MaxChannels = 8;
constexpr int MaxSourceRate = 768000;

} // namespace

AudioClip decodeSound(QIODevice *device, int sampleRate, QString *error) {
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return AudioClip{};
    };
    if (!device || !device->isReadable() || device->isSequential() || !device->seek(0))
        return fail(u"ファイルを読めません"_s);
    if (!looksLikeWave(device->peek(12)))
        return fail(u"WAVE ファイルではありません"_s);

    if (!sndfile().error.isEmpty()) {
        qCWarning(lcMedia) << sndfile().error;
        return fail(u"WAVE ファイルを読むためのライブラリ（libsndfile）がありません"_s);
    }
    SF_VIRTUAL_IO io{deviceLength, deviceSeek, deviceRead, deviceWrite, deviceTell};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(
        sndfile().sf_open_virtual(&io, SFM_READ, &info, device));
    if (!file || !isWaveFormat(info.format))
        return fail(u"壊れているか、再生できない形式の WAVE ファイルです"_s);
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0)
        return fail(u"音が入っていません"_s);
    if (info.channels > MaxChannels || info.samplerate > MaxSourceRate)
        return fail(
            u"再生できない形式の WAVE ファイルです（%1 チャンネル、%2 Hz）"_s.arg(info.channels)
                .arg(info.samplerate));

    // Only the first minute plays; the clip's memory is known before anything is decoded.
    const sf_count_t frames =
        std::min<sf_count_t>(info.frames, sf_count_t(info.samplerate) * MaxSoundSeconds);
    StereoClipBuilder builder(frames, info.channels, info.samplerate, sampleRate);
    constexpr sf_count_t BlockFrames = 4096;
    std::vector<float> block(std::size_t(BlockFrames * info.channels));
    sf_count_t done = 0;
    while (done < frames) {
        const sf_count_t read = sndfile().sf_readf_float(file.get(), block.data(),
                                                         std::min(BlockFrames, frames - done));
        if (read <= 0)
            break;
        // A float file may hold samples that are no number, or so large that resampling
        // between two of them overflows; either would turn the whole mix into noise. The mix is
        // clipped to full scale anyway.
        for (float &sample : std::span(block).first(std::size_t(read * info.channels)))
            sample = std::isfinite(sample) ? std::clamp(sample, -1.0f, 1.0f) : 0.0f;
        builder.add(block.data(), read);
        done += read;
    }
    if (done == 0)
        return fail(u"壊れているか、再生できない形式の WAVE ファイルです"_s);
    if (error)
        error->clear();
    return builder.finish();
}

void openSoundFileLibrary() {
    sndfile();
}

AudioClip decodeSoundFile(const QString &path, int sampleRate, QString *error) {
    BoundedFile opened = openBoundedFile(path, MaxSoundFileSize);
    if (opened.status == BoundedRead::Status::Missing) {
        if (error)
            *error = u"ファイルがありません"_s;
        return {};
    }
    if (opened.status == BoundedRead::Status::Unreadable) {
        if (error)
            *error = opened.error;
        return {};
    }
    return decodeSound(opened.file.get(), sampleRate, error);
}

AudioWavePlayer::AudioWavePlayer(AudioOutput &output) : m_output(output), m_voice(output) {}

std::shared_ptr<const AudioClip> AudioWavePlayer::decode(const QString &path) {
    m_error.clear();
    m_fileError.clear();
    if (path.isEmpty())
        return nullptr;
    auto clip = std::make_shared<AudioClip>(decodeSoundFile(path, m_output.sampleRate(), &m_error));
    if (clip->frames() != 0)
        return clip;
    m_fileError = m_error;
    return nullptr;
}

bool AudioWavePlayer::play(const QString &path, Repeat repeat) {
    // Stopped first, the clip before is freed before the new one is decoded.
    m_voice.stop();
    auto clip = decode(path);
    if (!clip) {
        if (!path.isEmpty())
            qCWarning(lcMedia) << "WAVE file not played:" << path << m_error;
        return false;
    }
    m_voice.start(std::move(clip), repeat == Repeat::Loop);
    return true;
}

bool AudioWavePlayer::playAt(const QString &path, Repeat repeat, SteadyTime due) {
    auto clip = decode(path);
    if (clip)
        m_voice.startAt(std::move(clip), repeat == Repeat::Loop, due);
    return bool(clip);
}

void AudioWavePlayer::stop() {
    m_voice.stop();
}

} // namespace pikoro
