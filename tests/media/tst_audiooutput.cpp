#include "ManualAudioOutput.h"
#include "TestRunner.h"

#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/ClipVoice.h"

#include <QTest>

#include <memory>

using namespace pikoro;
using namespace pikoro::test;

namespace {
// A source that adds a constant to every sample.
class ConstantSource : public AudioSource {
public:
    explicit ConstantSource(float value) : m_value(value) {}
    void mixInto(float *out, int frames) override {
        for (int i = 0; i < frames * AudioOutput::Channels; ++i)
            out[i] += m_value;
    }

private:
    float m_value;
};

std::shared_ptr<const AudioClip> rampClip(int frames) {
    auto clip = std::make_shared<AudioClip>();
    for (int i = 0; i < frames; ++i)
        clip->samples.insert(clip->samples.end(), {0.1f + 0.001f * i, -0.1f});
    return clip;
}

} // namespace

class AudioOutputTest : public QObject {
    Q_OBJECT
private slots:
    void mixerSumsSourcesAndClamps() {
        ManualAudioOutput output;
        ConstantSource a(0.25f), b(0.5f), loud(2.0f);
        output.addSource(&a);
        output.addSource(&b);
        output.addSource(&a); // a second registration must not double the source
        std::vector<float> mixed = output.render(64);
        QCOMPARE(mixed.size(), std::size_t(128));
        QCOMPARE(mixed.front(), 0.75f);
        QCOMPARE(mixed.back(), 0.75f);

        output.addSource(&loud);
        QCOMPARE(output.render(8).front(), 1.0f);

        output.removeSource(&loud);
        output.removeSource(&a);
        output.removeSource(&b);
        QCOMPARE(peak(output.render(8)), 0.0f);
    }

    void stereoClipResamplesAndSpreadsMono() {
        // 100 mono frames of a ramp at 22050 Hz become ~218 stereo frames at 48 kHz.
        std::vector<float> mono(100);
        for (int i = 0; i < 100; ++i)
            mono[i] = float(i) / 100.0f;
        const AudioClip clip = makeStereoClip(mono.data(), 100, 1, 22050, 48000);
        QCOMPARE(clip.frames(), 218);
        QCOMPARE(clip.samples[0], clip.samples[1]);
        // Frame 109 lies at source position 50.07: between 0.50 and 0.51.
        QVERIFY(clip.samples[218] > 0.50f && clip.samples[218] < 0.51f);
        QCOMPARE(clip.samples[218], clip.samples[219]);
        QCOMPARE(makeStereoClip(mono.data(), 0, 1, 22050, 48000).frames(), 0);
    }

    void voicePlaysOnceOrLoopsUntilStoppedOrDestroyed() {
        ManualAudioOutput output;
        auto owned = std::make_unique<ClipVoice>(output);
        ClipVoice &voice = *owned;
        auto clip = rampClip(100);

        voice.start(clip, false);
        QVERIFY(voice.isPlaying());
        std::vector<float> out = output.render(150);
        QCOMPARE(out[0], 0.1f);
        QCOMPARE(out[99 * 2], clip->samples[99 * 2]);
        QCOMPARE(peak(out, 200), 0.0f); // silent after the clip's end
        QVERIFY(!voice.isPlaying());

        voice.start(clip, true);
        out = output.render(250);
        QCOMPARE(out[100 * 2], 0.1f); // wrapped to the start
        QCOMPARE(out[249 * 2], clip->samples[49 * 2]);
        QVERIFY(voice.isPlaying());

        voice.stop();
        QVERIFY(!voice.isPlaying());
        QCOMPARE(peak(output.render(50)), 0.0f);

        voice.start(clip, true);
        owned.reset(); // a destroyed voice leaves the mix
        QCOMPARE(peak(output.render(10)), 0.0f);
    }
};

PIKORO_TEST_CLASS(AudioOutputTest)
#include "tst_audiooutput.moc"
