#include "ManualAudioOutput.h"

namespace pikoro {

std::vector<float> ManualAudioOutput::render(int frames) {
    std::vector<float> out(std::size_t(frames) * Channels);
    mixer().render(out.data(), frames);
    return out;
}

} // namespace pikoro
