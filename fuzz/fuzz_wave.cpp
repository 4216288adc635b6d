// Key-sound reader, through the decoder the program plays with: any bytes give a clip or a
// reason; a clip lasts a minute at most at the rate asked for, and every sample is a number.

#include "FuzzInput.h"
#include "media/WavePlayer.h"

#include <cmath>

using namespace pikoro;
using namespace pikoro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    InputDevice device(bytesOf(data, size));
    // An odd device rate, so that every file is resampled.
    constexpr int Rate = 44100;
    QString error;
    const AudioClip clip = decodeSound(&device, Rate, &error);
    if (clip.frames() == 0) {
        if (error.isEmpty())
            fail("a file that gave no sound gave no reason");
        return 0;
    }
    if (!error.isEmpty())
        fail("a file that gave a sound also gave a reason");
    if (clip.frames() > MaxSoundSeconds * Rate)
        fail("a sound longer than a key sound may be");
    for (const float sample : clip.samples) {
        if (!std::isfinite(sample))
            fail("a sample that is no number");
    }
    return 0;
}
