#include "media/BuiltinSounds.h"

#include <cmath>
#include <numbers>

namespace pikoro {

AudioClip missSound(int sampleRate) {
    constexpr double Seconds = 0.18;
    constexpr double FromHz = 660.0;
    constexpr double ToHz = 330.0;
    constexpr double Level = 0.45;
    const int frames = int(Seconds * sampleRate);
    AudioClip clip;
    clip.samples.resize(std::size_t(frames) * AudioOutput::Channels);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / frames;
        // The pitch falls by an octave; a 5 ms rise and a decay keep the ends free of clicks.
        const double hz = FromHz * std::pow(ToHz / FromHz, t);
        phase += 2.0 * std::numbers::pi * hz / sampleRate;
        const double rise = std::min(1.0, i / (0.005 * sampleRate));
        const double envelope = rise * (1.0 - t) * (1.0 - t);
        const auto sample = float(Level * envelope * std::sin(phase));
        clip.samples[std::size_t(i) * 2] = sample;
        clip.samples[std::size_t(i) * 2 + 1] = sample;
    }
    return clip;
}

} // namespace pikoro
