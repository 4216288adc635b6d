#include "ManualAudioOutput.h"
#include "SilentSequencer.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/AppState.h"
#include "core/DataFile.h"
#include "core/SettingsFile.h"
#include "media/ClipVoice.h"
#include "media/FluidSequencer.h"
#include "media/LoadedLibrary.h"
#include "media/MediaServices.h"
#include "media/MidiDevice.h"
#include "media/PictureLoader.h"
#include "media/Speech.h"
#include "media/VoiceRecording.h"
#include "media/WavePlayer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <sndfile.h>
#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <random>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// Writes a sine tone of `seconds` at `hz` in the given libsndfile format; false on failure.
bool writeTone(const QString &path, int format, int rate, int channels, double hz, double seconds) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    const int frames = int(rate * seconds);
    std::vector<float> samples;
    for (int i = 0; i < frames * channels; ++i)
        samples.push_back(0.5f *
                          float(std::sin(2.0 * std::numbers::pi * hz * (i / channels) / rate)));
    const bool written = file && sf_writef_float(file, samples.data(), frames) == frames;
    sf_close(file);
    return written;
}

// The largest absolute sample in [from, to) (sample indices, clamped to the buffer).
float peak(const std::vector<float> &samples, std::size_t from = 0,
           std::size_t to = std::size_t(-1)) {
    float result = 0.0f;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        result = std::max(result, std::abs(samples[i]));
    return result;
}

// Upward crossings of the left channel of interleaved stereo samples from below -0.1 to above
// 0.1; the margin keeps coding noise around zero from counting twice.
int upwardCrossings(const std::vector<float> &stereo) {
    int count = 0;
    bool low = false;
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        count += low && stereo[i] > 0.1f;
        low = stereo[i] < -0.1f || (low && stereo[i] <= 0.1f);
    }
    return count;
}

// A stereo clip whose left channel goes from `from` up by `step` a frame; the right is -from.
std::shared_ptr<const AudioClip> clipOf(int frames, float from, float step = 0.0f) {
    auto clip = std::make_shared<AudioClip>();
    for (int i = 0; i < frames; ++i)
        clip->samples.insert(clip->samples.end(), {from + step * i, -from});
    return clip;
}

// A format-0 file at 96 ticks a quarter (120 bpm) of the given track events, then its end.
QByteArray pieceOf(const char *eventsHex) {
    const QByteArray track = QByteArray::fromHex(eventsHex) + QByteArray::fromHex("00ff2f00");
    QByteArray length(4, '\0');
    qToBigEndian(quint32(track.size()), length.data());
    return QByteArray::fromHex("4d546864000000060000000100604d54726b") + length + track;
}

// Program 0 (piano), then C4, E4, G4 for 96 ticks (half a second) each at velocity 100.
const QByteArray SmallMidi =
    pieceOf("00c000 00903c64 60803c40 00904064 60804040 00904364 60804340");

const QString TimSoundFont = u"/usr/share/sounds/sf2/TimGM6mb.sf2"_s;

// Every picture and sound of the tables reads with the program's reader (pieces are played
// through its synthesizer when the content is made).
void checkFiles(const AssignmentTables &t) {
    QStringList pictures(t.digitPictures.begin(), t.digitPictures.end());
    QStringList sounds(t.digitSounds.begin(), t.digitSounds.end());
    for (const QString &path : pictures + QStringList(t.keyPictures.begin(), t.keyPictures.end())) {
        PictureLoader loader;
        QVERIFY2(!loader.read(path).isNull(), qPrintable(path + u": "_s + loader.errorString()));
    }
    for (const QString &path : sounds + QStringList(t.keySounds.begin(), t.keySounds.end())) {
        QString error; // at least a tenth of a second
        QVERIFY2(decodeSoundFile(path, 44100, &error).frames() >= 4410,
                 qPrintable(path + u": "_s + error));
    }
}

} // namespace

class AudioOutputTest : public QObject {
    Q_OBJECT
private slots:
    // Voices add up, clamped, and leave the mix when removed or destroyed. Looping, playing
    // once and stopping are tried through the wave player.
    void mixerSumsVoicesAndClamps() {
        ManualAudioOutput output;
        ClipVoice a(output), b(output);
        auto loud = std::make_unique<ClipVoice>(output);
        a.start(clipOf(4, 0.25f), true);
        b.start(clipOf(4, 0.5f), true);
        output.addSource(&a); // a second registration must not double the source
        std::vector<float> mixed = output.render(64);
        QCOMPARE(mixed.front(), 0.75f);
        QCOMPARE(mixed.back(), -0.75f);
        loud->start(clipOf(4, 2.0f), true);
        mixed = output.render(8);
        QVERIFY(mixed[0] == 1.0f && mixed[1] == -1.0f);
        loud.reset();
        output.removeSource(&a);
        QCOMPARE(output.render(8)[0], 0.5f);
    }

    // The real device rests once nothing sounds and starts again for the next sound.
    void deviceRestsInSilenceAndWakesForTheNextSound() {
        SdlAudioOutput output(256, std::chrono::milliseconds(50));
        if (!output.isOpen())
            QSKIP("no audio device");
        QTRY_VERIFY(output.isResting());
        ClipVoice voice(output);
        voice.start(clipOf(output.sampleRate() / 20, 0.3f), false);
        QVERIFY(!output.isResting());
        QTRY_VERIFY(!voice.isPlaying());
        QTRY_VERIFY(output.isResting());
    }
};

class WavePlayerTest : public QObject {
    Q_OBJECT
private slots:
    // Any WAVE coding comes at the device's rate with its pitch; a key sound plays for a
    // minute at most.
    void decodesWaveAtTheDeviceRate_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("seconds");
        const int wav = SF_FORMAT_WAV;
        QTest::newRow("8-bit PCM mono 11025") << (wav | SF_FORMAT_PCM_U8) << 11025 << 1 << 0.5;
        QTest::newRow("16-bit PCM stereo 44100") << (wav | SF_FORMAT_PCM_16) << 44100 << 2 << 0.5;
        QTest::newRow("IMA ADPCM mono 22050") << (wav | SF_FORMAT_IMA_ADPCM) << 22050 << 1 << 0.5;
        QTest::newRow("61 s cut to a minute") << (wav | SF_FORMAT_PCM_U8) << 8000 << 1 << 61.0;
    }
    void decodesWaveAtTheDeviceRate() {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, seconds);
        TempFolder folder;
        const QString path = folder.file(u"tone.wav"_s);
        QVERIFY(writeTone(path, format, rate, channels, 440.0, seconds));

        QString error;
        const AudioClip clip = decodeSoundFile(path, 48000, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const double heard = std::min<double>(seconds, MaxSoundSeconds);
        // The length at 48 kHz, give or take an ADPCM block, and 440 cycles a second.
        QVERIFY2(std::abs(clip.frames() - heard * 48000) < 600,
                 qPrintable(QString::number(clip.frames())));
        QVERIFY(peak(clip.samples) > 0.4f);
        QCOMPARE(clip.samples[2001], clip.samples[2000]); // a mono file sounds on both sides
        const int cycles = upwardCrossings(clip.samples);
        QVERIFY2(std::abs(cycles - heard * 440) <= 4, qPrintable(QString::number(cycles)));
    }

    // Only WAVE files play, whatever the name: anything else (a FLAC file claiming ten minutes
    // of 8 channels took 2 GB and seconds) is refused by its first bytes, at once, with its
    // reason and in silence.
    void refusesWhatIsNoWave() {
        TempFolder folder;
        const QString flac = folder.file(u"tone.flac.wav"_s);
        QVERIFY(writeTone(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 440.0, 0.2));
        const QString pipe = folder.file(u"pipe.wav"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString noWave = u"WAVE ファイルではありません"_s;
        const QString noFile = u"通常のファイルではありません"_s;
        const QList<QPair<QString, QString>> refused = {
            {folder.file(u"none.wav"_s), u"ファイルがありません"_s},
            {folder.write(u"text.wav"_s, "not a sound at all, just some words\n"), noWave},
            {folder.write(u"cut.wav"_s, QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16)),
             u"壊れているか、再生できない形式の WAVE ファイルです"_s},
            {flac, noWave},
            {pipe, noFile},
            {folder.path(), noFile}};
        ManualAudioOutput output;
        AudioWavePlayer player(output);
        for (const auto &[path, reason] : refused) {
            QElapsedTimer clock;
            clock.start();
            QVERIFY(!player.play(path, WavePlayer::Repeat::Once));
            QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(player.errorString(), reason);
        }
        QCOMPARE(peak(output.render(1000)), 0.0f);
    }

    void playsOnceLoopsAndStops() {
        TempFolder folder;
        const QString beep = folder.file(u"b e e p.wav"_s);
        QVERIFY(writeTone(beep, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1, 1000.0, 0.1));
        ManualAudioOutput output;
        AudioWavePlayer player(output);

        QVERIFY(player.play(beep, WavePlayer::Repeat::Once));
        std::vector<float> out = output.render(9600); // 0.2 s
        QVERIFY(peak(out, 0, 9600) > 0.4f);           // the 0.1 s tone
        QCOMPARE(peak(out, 9600), 0.0f);              // then silence

        QVERIFY(player.play(beep, WavePlayer::Repeat::Loop));
        out = output.render(48000); // ten times the tone's length
        QVERIFY(peak(out, 2 * 43200) > 0.4f);
        player.stop();
        QCOMPARE(peak(output.render(1000)), 0.0f);
    }
};

class MidiDeviceTest : public QObject {
    Q_OBJECT
private slots:
    // A piece named with backslashes opens, a folder or text does not (missing and broken
    // pieces are tried where the keys play them); the calls answer as the device stands.
    void deviceAnswersErrors() {
        TempFolder folder;
        folder.write(u"my songs/a b.mid"_s, TinyMidi);
        bool playing = false;
        SequencerMidiDevice device(std::make_unique<SilentSequencer>(&playing));
        QCOMPARE(device.play(), MidiError::NotOpen);
        QCOMPARE(device.open(folder.path()), MidiError::FileNotFound);
        QCOMPARE(device.open(folder.write(u"notes.mid"_s, "just text")), MidiError::InvalidFile);
        const QString song = folder.path() + u"\\my songs\\a b.mid"_s;
        QCOMPARE(device.open(song), MidiError::None);
        QCOMPARE(device.open(song), MidiError::DeviceOpen);
        QCOMPARE(device.play(), MidiError::None);
        QVERIFY(playing);
        QCOMPARE(device.close(), MidiError::None);
        QVERIFY(!playing);
        QCOMPARE(device.pause(), MidiError::NotOpen);
    }

    // A piece in RIFF RMID played before the SoundFont has loaded starts once it is ready;
    // played again it starts from its beginning; it ends by itself, rings out and tells its end
    // once. A piece stopped half-way leaves none of its settings to the next.
    void fluidSynthPlaysPiecesIntoTheMix() {
        if (!QFileInfo(TimSoundFont).isFile())
            QSKIP("TimGM6mb.sf2 is not installed");
        TempFolder folder;
        ManualAudioOutput output;
        auto owned = std::make_unique<FluidSequencer>(output, TimSoundFont);
        FluidSequencer &synth = *owned;
        SequencerMidiDevice midi(std::move(owned));
        QSignalSpy ended(&midi, &MidiDevice::pieceEnded);
        QByteArray riff = QByteArray("RIFF\0\0\0\0RMIDdata", 16) + QByteArray(4, '\0') + SmallMidi;
        qToLittleEndian(quint32(SmallMidi.size()), riff.data() + 16);
        QCOMPARE(openMidi(midi, folder.write(u"tune.rmi"_s, riff)), MidiError::None);
        QCOMPARE(playMidi(midi), MidiError::None);
        QVERIFY(synth.isPlaying());
        QVERIFY2(synth.waitUntilReady(20000), qPrintable(synth.errorString()));
        QVERIFY(peak(output.render(57600)) > 0.01f); // 1.2 s of the 1.5 s piece

        pauseMidi(midi);
        output.render(4800); // the release after all sounds off
        QCOMPARE(peak(output.render(4800)), 0.0f);
        playMidi(midi);
        QVERIFY(peak(output.render(48000)) > 0.01f);
        QVERIFY(synth.isPlaying()); // a second into the piece played again

        for (int i = 0; i < 100 && synth.isPlaying(); ++i) // within ten seconds
            output.render(4800);
        QVERIFY(!synth.isPlaying());
        output.render(48000);
        QCOMPARE(peak(output.render(4800)), 0.0f);
        // The end is told once, after the pause told nothing.
        QTRY_COMPARE(ended.count(), 1);
        output.render(48000);
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 1);

        const auto loudness = [&](const char *events) {
            synth.stop();
            output.render(4800);
            synth.load(pieceOf(events));
            synth.play();
            return peak(output.render(24000));
        };
        // Volume 0, pitch bent, then C4 held for two seconds.
        QVERIFY(loudness("00b00700 00e00000 00903c64 8300803c40") < 0.001f);
        QVERIFY(loudness("00903c64 8300803c40") > 0.01f);
    }
};

class SpeechTest : public QObject {
    Q_OBJECT
private slots:
    // The library is process-wide: a second object must be able to start it again. A new
    // text cuts off the one being read; an empty one leaves silence.
    void readsKanaIntoTheMixAgainAfterARestart() {
        for (int round = 0; round < 2; ++round) {
            ManualAudioOutput output;
            EspeakSpeech speech(output);
            speech.speak(round ? u"あ"_s : u"ち"_s);
            QVERIFY(speech.waitUntilIdle(20000));
            if (!speech.errorString().isEmpty())
                QSKIP(qPrintable(speech.errorString()));
            // The first fifth of a second: the text is still being read when the next comes.
            QVERIFY2(peak(output.render(9600)) > 0.05f, qPrintable(QString::number(round)));
            speech.speak(QString()); // cuts it off at once, and says nothing
            QCOMPARE(peak(output.render(4800)), 0.0f);
            QVERIFY(speech.waitUntilIdle(20000));
            QCOMPARE(peak(output.render(4800)), 0.0f);
        }
    }
};

// The generated content through the program's own readers (the content check reads it with
// others): PIKORO.ini's five picture and sound sets, and default.pik.
class PreparedContentTest : public QObject {
    Q_OBJECT
private slots:
    void everySlotDecodes() {
        AppState state;
        state.applicationFolder = QStringLiteral(PIKORO_CONTENT_DIR);
        QVERIFY2(loadSettings(state), "PIKORO.ini of the prepared content");
        QVERIFY(state.reportSoundFailures); // new installs say why a sound does not play
        for (int mode = 0; mode < 5 && !QTest::currentTestFailed(); ++mode) {
            QVERIFY(loadSoundSet(state, mode) && loadPictureSet(state, mode));
            checkFiles(state.tables);
        }
        QVERIFY(openStartupDataFile(state).isEmpty());
        checkFiles(state.tables);
    }
};

// A quiet voice in the room's hiss as a microphone gives it, cut and levelled, read back from
// its WAVE file.
class VoiceRecordingTest : public QObject {
    Q_OBJECT
private slots:
    void recordingIsCutAndLevelled() {
        const int rate = VoiceRecording::SampleRate;
        const AudioClip clip =
            decodeSoundFile(QStringLiteral(PIKORO_FIXTURES "/voice.wav"), rate, nullptr);
        QVERIFY(clip.frames() > 0);
        // 0.6 s of the room, the voice, 1.5 s of the room.
        std::vector<float> recording;
        std::mt19937 random(7);
        std::normal_distribution<float> hiss(0.0f, float(std::pow(10.0, -66.0 / 20)));
        const int lead = rate * 6 / 10;
        for (int i = 0; i < lead + clip.frames() + rate * 3 / 2; ++i) {
            const bool voice = i >= lead && i < lead + clip.frames();
            const double s = voice ? clip.samples[std::size_t(i - lead) * 2] : 0.0;
            recording.push_back(float(s * std::pow(10.0, -30.0 / 20)) + hiss(random));
        }

        const QByteArray wave = VoiceRecording::prepare(recording).wave;
        QCOMPARE(qFromLittleEndian<quint32>(wave.constData() + 24), quint32(rate));
        TempFolder folder;
        const AudioClip kept = decodeSoundFile(folder.write(u"key-A.wav"_s, wave), rate, nullptr);
        std::vector<float> played;
        for (std::size_t i = 0; i < kept.samples.size(); i += 2)
            played.push_back(kept.samples[i]);
        // The room's 2.1 s around the voice are cut off, not the voice.
        QVERIFY2(kept.frames() > clip.frames() / 2 && kept.frames() < clip.frames() + rate / 10,
                 qPrintable(u"%1 of %2 frames"_s.arg(kept.frames()).arg(clip.frames())));
        const std::optional<VoiceRecording::Loudness> level =
            VoiceRecording::measureLoudness(played, rate);
        QVERIFY(level);
        QVERIFY2(std::abs(level->integratedLufs - VoiceRecording::TargetLufs) <= 1.0,
                 qPrintable(QString::number(level->integratedLufs)));
        QVERIFY2(level->truePeakDbtp <= VoiceRecording::CeilingDbtp,
                 qPrintable(QString::number(level->truePeakDbtp)));
    }
};

class ScheduledSoundTest : public QObject {
    Q_OBJECT
private slots:
    // A sound given ahead starts on the frame heard at its time, the sound before playing up to
    // it; a late one starts with the block; a stop or another start before its time drops it.
    void startsOnTheFrameOfItsTime_data() {
        QTest::addColumn<int>("due");    // frames from the first block's first frame
        QTest::addColumn<int>("dropBy"); // 0: nothing, 1: a stop, 2: a start
        QTest::addColumn<int>("onset");  // where it starts; -1: never
        QTest::newRow("in the first block") << 100 << 0 << 100;
        QTest::newRow("in the next block") << 700 << 0 << 700;
        QTest::newRow("late") << -30 << 0 << 0;
        QTest::newRow("stopped") << 100 << 1 << -1;
        QTest::newRow("replaced") << 100 << 2 << -1;
    }
    void startsOnTheFrameOfItsTime() {
        QFETCH(int, due);
        QFETCH(int, dropBy);
        QFETCH(int, onset);
        ManualAudioOutput output;
        ClipVoice voice(output);
        voice.start(clipOf(4800, 0.25f), false);
        const SteadyTime heard = std::chrono::steady_clock::now();
        const auto at = [&](int frame) {
            return heard + std::chrono::microseconds(frame * 125 / 6);
        };
        voice.startAt(clipOf(4800, 0.5f), false, at(due));
        QCOMPARE(output.wakes, 2); // a resting device opens at once
        if (dropBy == 1)
            voice.stop();
        if (dropBy == 2)
            voice.start(clipOf(4800, 0.125f), false);
        std::vector<float> out = output.render(512, at(0)), next = output.render(512, at(512));
        out.insert(out.end(), next.begin(), next.end());
        const auto first = std::find(out.begin(), out.end(), 0.5f) - out.begin();
        QCOMPARE(first == qsizetype(out.size()) ? -1 : int(first / 2), onset);
        if (onset > 0)
            QCOMPARE(out[2 * onset - 2], 0.25f);
    }
};

// The sound libraries are opened when first used: one missing from the machine, or without a
// function the program calls, leaves a reason for the log and nothing to call, never a crash.
class LoadedLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void reportsWhatIsMissing() {
        const LoadedLibrary missing("libpikoro-not-installed.so.9");
        QVERIFY(!missing.isLoaded());
        QVERIFY(missing.errorString().contains(u"libpikoro-not-installed.so.9"_s));

        LoadedLibrary sndfile("libsndfile.so.1");
        QVERIFY2(sndfile.isLoaded(), qPrintable(sndfile.errorString()));
        decltype(&::sf_version_string) version = nullptr;
        sndfile.resolve(version, "sf_version_string");
        QVERIFY(version && QByteArray(version()).startsWith("libsndfile"));
        QVERIFY(sndfile.errorString().isEmpty());
        decltype(&::sf_version_string) absent = version;
        sndfile.resolve(absent, "sf_no_such_function");
        QVERIFY(!absent);
        QVERIFY(sndfile.errorString().contains(u"sf_no_such_function"_s));
    }
};

PIKORO_TEST_CLASS(AudioOutputTest)
PIKORO_TEST_CLASS(WavePlayerTest)
PIKORO_TEST_CLASS(MidiDeviceTest)
PIKORO_TEST_CLASS(SpeechTest)
PIKORO_TEST_CLASS(PreparedContentTest)
PIKORO_TEST_CLASS(VoiceRecordingTest)
PIKORO_TEST_CLASS(ScheduledSoundTest)
PIKORO_TEST_CLASS(LoadedLibraryTest)
#include "tst_sound.moc"
