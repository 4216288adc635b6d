// Renders MIDI pieces offline through the program's own synthesizer (same SoundFont choice, gain,
// effects and channel set-up), so that their loudness can be measured as the child hears them.
//
//     render_piece MIDI OUT [MIDI OUT ...]
//
// Each OUT receives the piece, rung out, as interleaved 48 kHz stereo 32-bit floats. The
// SoundFont used is printed on the first line.

#include "media/AudioOutput.h"
#include "media/FluidSequencer.h"
#include "media/MidiDevice.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace {

class OfflineOutput : public pikoro::AudioOutput {
public:
    int sampleRate() const override { return DefaultSampleRate; }
    void render(float *out, int frames) { mixer().render(out, frames); }
};

} // namespace

int main(int argc, char **argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: render_piece MIDI OUT [MIDI OUT ...]\n");
        return 2;
    }
    OfflineOutput output;
    pikoro::FluidSequencer synth(output);
    if (!synth.waitUntilReady(60000)) {
        std::fprintf(stderr, "render_piece: %s\n", qPrintable(synth.errorString()));
        return 1;
    }
    std::printf("%s\n", qPrintable(pikoro::FluidSequencer::defaultSoundFont()));

    constexpr int Chunk = 4800;
    constexpr int MaxSeconds = 120;
    std::vector<float> buffer(std::size_t(Chunk) * pikoro::AudioOutput::Channels);
    for (int i = 1; i + 1 < argc; i += 2) {
        QByteArray smf;
        if (pikoro::readMidiFile(QString::fromLocal8Bit(argv[i]), &smf) !=
            pikoro::MidiError::None) {
            std::fprintf(stderr, "render_piece: %s is not a MIDI file\n", argv[i]);
            return 1;
        }
        QFile out(QString::fromLocal8Bit(argv[i + 1]));
        if (!out.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "render_piece: cannot write %s\n", argv[i + 1]);
            return 1;
        }
        synth.load(smf);
        synth.play();
        for (int done = 0; !synth.hasPlayedToEnd() && done < MaxSeconds * output.sampleRate();
             done += Chunk) {
            output.render(buffer.data(), Chunk);
            out.write(reinterpret_cast<const char *>(buffer.data()),
                      qint64(buffer.size() * sizeof(float)));
        }
        synth.unload();
    }
    return 0;
}
