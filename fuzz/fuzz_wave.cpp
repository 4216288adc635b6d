// Key-sound reader, through the decoder the program plays with: any bytes give a clip or a
// reason; a clip lasts a minute at most at the rate asked for, and every sample is a number.

#include "media/WavePlayer.h"

#include <QBuffer>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace pikoro;

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "fuzz_wave: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // An odd device rate, so that every file is resampled.
    constexpr int Rate = 44100;
    QString error;
    const AudioClip clip = decodeSound(&buffer, Rate, &error);
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
