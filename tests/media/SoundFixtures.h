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

// A format-0 Standard MIDI File: piano notes C4, E4, G4 for half a second each at 120 bpm.
inline QByteArray smallMidiFile() {
    QByteArray track;
    const auto note = [&track](char key) {
        track.append("\x00\x90", 2).append(key).append('\x64'); // on, velocity 100
        track.append("\x60\x80", 2).append(key).append('\x40'); // 96 ticks later off
    };
    track.append("\x00\xC0\x00", 3); // program 0 (piano)
    note('\x3C');
    note('\x40');
    note('\x43');
    track.append("\x00\xFF\x2F\x00", 4); // end of track

    QByteArray smf("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14); // 96 ticks a quarter
    smf.append("MTrk");
    const auto size = quint32(track.size());
    smf.append(char(size >> 24))
        .append(char(size >> 16))
        .append(char(size >> 8))
        .append(char(size));
    smf.append(track);
    return smf;
}

} // namespace pikoro::test
