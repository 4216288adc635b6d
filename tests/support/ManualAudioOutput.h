#pragma once

#include "media/AudioOutput.h"

#include <vector>

namespace pikoro {

// An output without a device: nothing plays until a test pulls frames with render().
class ManualAudioOutput : public AudioOutput {
public:
    int sampleRate() const override { return DefaultSampleRate; }
    void wake() override { ++wakes; }
    // The next `frames` interleaved stereo frames, the first heard at `heardAt` (if known).
    std::vector<float> render(int frames, SteadyTime heardAt = {}) {
        std::vector<float> out(std::size_t(frames) * Channels);
        renderBlock(out.data(), frames, heardAt);
        return out;
    }
    int wakes = 0;
};

} // namespace pikoro
