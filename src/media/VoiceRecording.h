#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace pikoro {

// A parent's voice recorded for a key: 48 kHz mono, at most five seconds, cut to the voice and
// levelled like the prepared key sounds, so that it plays as loud as they do.
namespace VoiceRecording {

inline constexpr int SampleRate = 48000;
inline constexpr int MaxSeconds = 5;
inline constexpr int MaxFrames = SampleRate * MaxSeconds;
// The prepared sounds are levelled to this integrated loudness (EBU R 128, a mono sound
// measured as heard on both loudspeakers) with their true peak at most CeilingDbtp.
inline constexpr double TargetLufs = -16.0;
inline constexpr double CeilingDbtp = -1.2;
// What is kept of the quiet before and after the voice.
inline constexpr int KeptSilenceMs = 20;

struct Loudness {
    double integratedLufs = 0.0; // -inf for silence
    double truePeakDbtp = 0.0;
};

// Loudness of mono float samples at `rate`, measured like the prepared sounds: dual mono, and a
// sound shorter than the meter's 400 ms block counted as one block.
std::optional<Loudness> measureLoudness(std::span<const float> samples, int rate);

// The part of `samples` from just before the voice starts to just after it ends, with at most
// KeptSilenceMs of the quiet on either side and short fades at both ends. The quiet is told
// from the recording's own noise floor. Empty when nothing stands out from the noise.
std::vector<float> trimSilence(std::span<const float> samples, int rate);

// `samples` brought to TargetLufs, the peaks held under CeilingDbtp by a look-ahead limiter.
std::vector<float> levelLoudness(std::span<const float> samples, int rate);

// A 16-bit PCM mono RIFF WAVE file of `samples` (clamped to [-1, 1]).
QByteArray encodeWave16(std::span<const float> samples, int rate);

struct Prepared {
    QByteArray wave; // the WAVE file; empty when no voice was heard
    double seconds = 0.0;
};

// Trims, levels and encodes a raw recording at SampleRate.
Prepared prepare(std::span<const float> recording);

// Where recorded voices are kept: $XDG_DATA_HOME/pikoro/voices (~/.local/share when unset).
QString folder();
// The file name of the voice of WAVE-list entry `soundRow` (0-9 digits, 10-35 A-Z, then space,
// return and the four arrows): "key-A.wav", "key-0.wav", "key-space.wav" ...; empty outside.
QString fileName(int soundRow);

} // namespace VoiceRecording
} // namespace pikoro
