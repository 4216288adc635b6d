#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace pikoro::test {

// Writes a sine tone of `seconds` at `hz` in the given libsndfile format; false on failure.
inline bool writeTone(const QString &path, int format, int sampleRate, int channels, double hz,
                      double seconds) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int frames = int(sampleRate * seconds);
    std::vector<float> samples(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(i) * channels + c] =
                0.5f * float(std::sin(2.0 * std::numbers::pi * hz * i / sampleRate));
    const sf_count_t written = sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    return written == frames;
}

// The largest absolute sample in [from, to) (sample indices, clamped to the buffer).
inline float peak(const std::vector<float> &samples, std::size_t from = 0,
                  std::size_t to = std::size_t(-1)) {
    float result = 0.0f;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        result = std::max(result, std::abs(samples[i]));
    return result;
}

// Upward crossings of the left channel of interleaved stereo samples from below -0.1 to above
// 0.1; the margin keeps coding noise around zero from counting twice.
inline int upwardCrossings(const std::vector<float> &stereo) {
    int count = 0;
    bool low = false;
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        if (stereo[i] < -0.1f) {
            low = true;
        } else if (low && stereo[i] > 0.1f) {
            low = false;
            ++count;
        }
    }
    return count;
}

// A format-0 Standard MIDI File at 96 ticks a quarter: program 0 (piano), then C4, E4, G4
// for 96 ticks (half a second at 120 bpm) each at velocity 100, then the end of the track.
inline QByteArray smallMidiFile() {
    return QByteArray::fromHex("4d546864000000060000000100604d54726b0000001f00c000"
                               "00903c6460803c400090406460804040009043646080434000ff2f00");
}

} // namespace pikoro::test
