// MIDI reader: any bytes are a Standard MIDI File (plain or inside RIFF RMID) or refused; a
// piece taken is played through the synthesizer the program uses for a few seconds of sound.

#include "FuzzInput.h"
#include "media/FluidSequencer.h"
#include "media/MidiDevice.h"

#include <cmath>
#include <vector>

using namespace pikoro;
using namespace pikoro::fuzz;

namespace {

// An output without a device: the target pulls the sound itself.
class PulledOutput : public AudioOutput {
public:
    int sampleRate() const override { return DefaultSampleRate; }
    void render(float *out, int frames) { mixer().render(out, frames); }
};

// The output and the synthesizer, made once: loading the SoundFont takes seconds.
struct Synth {
    PulledOutput output;
    FluidSequencer sequencer{output};
};

Synth &synth() {
    static Synth made;
    return made;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (!synth().sequencer.waitUntilReady(120000))
        std::fprintf(stderr, "fuzz_midi: no SoundFont (%s); pieces are read but not played\n",
                     qPrintable(synth().sequencer.errorString()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    QByteArray smf;
    if (midiData(bytes, &smf) != MidiError::None)
        return 0;
    if (!smf.startsWith("MThd") || smf.size() > bytes.size())
        fail("a piece taken is no Standard MIDI File inside the bytes");
    auto &[output, sequencer] = synth();
    if (!sequencer.load(smf))
        return 0;
    sequencer.play();
    // Two seconds at most: long enough for the events of a short piece, short enough to fuzz.
    constexpr int Chunk = 4800;
    std::vector<float> out(std::size_t(Chunk) * AudioOutput::Channels);
    for (int i = 0; i < 20 && sequencer.isPlaying(); ++i) {
        output.render(out.data(), Chunk);
        for (const float sample : out) {
            if (!std::isfinite(sample))
                fail("the mix holds a sample that is no number");
        }
    }
    sequencer.unload();
    return 0;
}
