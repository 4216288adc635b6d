#pragma once

#include "media/AudioOutput.h"

#include <vector>

namespace pikoro {

// An output without a device: nothing plays until a test pulls frames with render().
class ManualAudioOutput : public AudioOutput {
public:
    explicit ManualAudioOutput(int sampleRate = DefaultSampleRate) : m_sampleRate(sampleRate) {}
    int sampleRate() const override { return m_sampleRate; }
    // Mixes the next `frames` frames and returns them as interleaved stereo samples.
    std::vector<float> render(int frames) {
        std::vector<float> out(std::size_t(frames) * Channels);
        mixer().render(out.data(), frames);
        return out;
    }

private:
    int m_sampleRate;
};

} // namespace pikoro
