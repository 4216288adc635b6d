#include "media/VoiceRecording.h"

#include "media/LoadedLibrary.h"
#include "media/Logging.h"

#include <QDir>
#include <QtEndian>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>

namespace pikoro::VoiceRecording {
namespace {

// libebur128 is loaded with the first recording measured.
#define PIKORO_EBUR128_FUNCTIONS(F)                                                                \
    F(ebur128_add_frames_float)                                                                    \
    F(ebur128_destroy)                                                                             \
    F(ebur128_init)                                                                                \
    F(ebur128_loudness_global)                                                                     \
    F(ebur128_set_channel)                                                                         \
    F(ebur128_true_peak)
PIKORO_LIBRARY_FUNCTIONS(Ebur128, ebur128, "libebur128.so.1", PIKORO_EBUR128_FUNCTIONS)

double toDb(double linear) {
    return 20.0 * std::log10(std::max(linear, 1e-9));
}

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// RMS level in dBFS of each 10 ms window.
std::vector<double> windowLevels(std::span<const float> samples, int window) {
    std::vector<double> levels;
    for (std::size_t from = 0; from < samples.size(); from += std::size_t(window)) {
        const std::size_t to = std::min(samples.size(), from + std::size_t(window));
        double sum = 0.0;
        for (std::size_t i = from; i < to; ++i)
            sum += double(samples[i]) * samples[i];
        levels.push_back(toDb(std::sqrt(sum / double(to - from))));
    }
    return levels;
}

// Samples whose peaks stay under `ceiling`: the gain falls over 2 ms ahead of a peak and holds
// for 40 ms after it, so a loud syllable keeps its shape instead of clipping.
std::vector<float> limit(std::span<const float> samples, int rate, double ceiling) {
    const std::size_t count = samples.size();
    const std::size_t ahead = std::max(1, rate / 500);
    const std::size_t hold = std::size_t(rate) * 40 / 1000;
    std::vector<double> need(count);
    for (std::size_t i = 0; i < count; ++i)
        need[i] = std::min(1.0, ceiling / std::max(double(std::abs(samples[i])), 1e-9));
    // The least need over [i - hold, i + ahead], with a window that slides over a deque of
    // ever larger values.
    std::vector<double> held(count);
    std::deque<std::size_t> window;
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (; next < count && next <= i + ahead; ++next) {
            while (!window.empty() && need[window.back()] >= need[next])
                window.pop_back();
            window.push_back(next);
        }
        while (window.front() + hold < i)
            window.pop_front();
        held[i] = need[window.front()];
    }
    // Averaged over the `ahead` samples before: never above what a sample needs, since each
    // of them held the minimum that covered it.
    std::vector<float> out(count);
    double sum = held.empty() ? 0.0 : held[0] * double(ahead);
    for (std::size_t i = 0; i < count; ++i) {
        sum += held[i];
        const double oldest = i >= ahead ? held[i - ahead] : held[0];
        out[i] = float(samples[i] * (sum / double(ahead + 1)));
        sum -= oldest;
    }
    return out;
}

std::vector<float> scaled(std::span<const float> samples, double gain) {
    std::vector<float> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(),
                   [gain](float s) { return float(s * gain); });
    return out;
}

} // namespace

std::optional<Loudness> measureLoudness(std::span<const float> samples, int rate) {
    if (!ebur128().error.isEmpty()) {
        qCWarning(lcMedia) << ebur128().error;
        return std::nullopt;
    }
    struct Destroy {
        void operator()(ebur128_state *state) const { ebur128().ebur128_destroy(&state); }
    };
    std::unique_ptr<ebur128_state, Destroy> state(ebur128().ebur128_init(
        1, static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!state ||
        ebur128().ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS)
        return std::nullopt;
    if (ebur128().ebur128_add_frames_float(state.get(), samples.data(), samples.size()) !=
        EBUR128_SUCCESS)
        return std::nullopt;
    const std::size_t block = std::size_t(rate) * 4 / 10;
    if (samples.size() < block) {
        const std::vector<float> rest(block - samples.size(), 0.0f);
        ebur128().ebur128_add_frames_float(state.get(), rest.data(), rest.size());
    }
    Loudness result;
    double peak = 0.0;
    if (ebur128().ebur128_loudness_global(state.get(), &result.integratedLufs) != EBUR128_SUCCESS ||
        ebur128().ebur128_true_peak(state.get(), 0, &peak) != EBUR128_SUCCESS)
        return std::nullopt;
    result.truePeakDbtp = toDb(peak);
    return result;
}

std::vector<float> trimSilence(std::span<const float> samples, int rate) {
    const int window = rate / 100;
    const std::vector<double> levels = windowLevels(samples, window);
    if (levels.empty())
        return {};
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    // The quietest tenth is taken as the room and the microphone's own noise.
    const double noise = sorted[sorted.size() / 10];
    const double loudest = sorted.back();
    if (loudest < -60.0 || loudest - noise < 12.0)
        return {};
    const double threshold = std::max(noise + 10.0, loudest - 35.0);
    const auto isVoice = [threshold](double level) { return level >= threshold; };
    const std::size_t first =
        std::size_t(std::find_if(levels.begin(), levels.end(), isVoice) - levels.begin());
    const std::size_t last =
        levels.size() - 1 -
        std::size_t(std::find_if(levels.rbegin(), levels.rend(), isVoice) - levels.rbegin());
    const std::size_t kept = std::size_t(rate) * KeptSilenceMs / 1000;
    const std::size_t from =
        first * std::size_t(window) > kept ? first * std::size_t(window) - kept : 0;
    const std::size_t to = std::min(samples.size(), (last + 1) * std::size_t(window) + kept);
    std::vector<float> out(samples.begin() + std::ptrdiff_t(from),
                           samples.begin() + std::ptrdiff_t(to));
    // 5 ms fades, so the cut does not click.
    const std::size_t fade = std::min(out.size() / 2, std::size_t(rate) / 200);
    for (std::size_t i = 0; i < fade; ++i) {
        const float gain = float(i) / float(fade);
        out[i] *= gain;
        out[out.size() - 1 - i] *= gain;
    }
    return out;
}

std::vector<float> levelLoudness(std::span<const float> samples, int rate) {
    const std::optional<Loudness> before = measureLoudness(samples, rate);
    if (!before || !std::isfinite(before->integratedLufs))
        return {samples.begin(), samples.end()};
    // The samples' ceiling sits a little under the true-peak ceiling: peaks between samples
    // rise above the samples themselves.
    const double aimedPeak = CeilingDbtp - 0.1;
    double ceiling = fromDb(aimedPeak - 0.3);
    double gainDb = std::min(TargetLufs - before->integratedLufs, 50.0);
    std::vector<float> out;
    for (int attempt = 0; attempt < 8; ++attempt) {
        out = limit(scaled(samples, fromDb(gainDb)), rate, ceiling);
        const std::optional<Loudness> now = measureLoudness(out, rate);
        if (!now)
            break;
        const bool peakFits = now->truePeakDbtp <= aimedPeak;
        if (std::abs(now->integratedLufs - TargetLufs) < 0.2 && peakFits)
            break;
        gainDb = std::min(gainDb + TargetLufs - now->integratedLufs, 50.0);
        if (!peakFits)
            ceiling *= fromDb(aimedPeak - now->truePeakDbtp);
    }
    return out;
}

QByteArray encodeWave16(std::span<const float> samples, int rate) {
    const auto dataBytes = quint32(samples.size() * 2);
    QByteArray bytes;
    bytes.reserve(44 + int(dataBytes));
    const auto u32 = [&bytes](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    };
    const auto u16 = [&bytes](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    };
    bytes.append("RIFF");
    u32(36 + dataBytes);
    bytes.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(quint32(rate));
    u32(quint32(rate) * 2);
    u16(2);
    u16(16);
    bytes.append("data");
    u32(dataBytes);
    for (float s : samples)
        u16(quint16(qint16(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
    return bytes;
}

Prepared prepare(std::span<const float> recording) {
    const std::vector<float> voice = trimSilence(recording, SampleRate);
    if (voice.empty())
        return {};
    const std::vector<float> levelled = levelLoudness(voice, SampleRate);
    return {encodeWave16(levelled, SampleRate), double(levelled.size()) / SampleRate};
}

QString folder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/pikoro/voices");
}

QString fileName(int soundRow) {
    static constexpr const char *others[] = {"space", "return", "down", "up", "right", "left"};
    QString key;
    if (soundRow >= 0 && soundRow < 10)
        key = QString::number(soundRow);
    else if (soundRow >= 10 && soundRow < 36)
        key = QChar(u'A' + (soundRow - 10));
    else if (soundRow >= 36 && soundRow < 42)
        key = QLatin1String(others[soundRow - 36]);
    else
        return {};
    return QStringLiteral("key-%1.wav").arg(key);
}

} // namespace pikoro::VoiceRecording
