#pragma once

#include "media/AudioOutput.h"

#include <vector>

namespace pikoro {

// An output without a device: nothing plays until a test pulls frames with render().
class ManualAudioOutput : public AudioOutput {
public:
    int sampleRate() const override { return DefaultSampleRate; }
    // Mixes the next `frames` frames and returns them as interleaved stereo samples.
    std::vector<float> render(int frames) {
        std::vector<float> out(std::size_t(frames) * Channels);
        mixer().render(out.data(), frames);
        return out;
    }
};

} // namespace pikoro
