#include "ManualAudioOutput.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "RecordingMedia.h"
#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/FluidSequencer.h"
#include "media/MciDevice.h"
#include "media/MediaServices.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {
// Records what the device asks of the sequencer.
class LoggingSequencer : public MidiSequencer {
public:
    explicit LoggingSequencer(QStringList *log) : m_log(log) {}
    bool load(const QByteArray &smf) override {
        m_log->append(u"load %1"_s.arg(smf.size()));
        return true;
    }
    void play() override { m_log->append(u"play"_s); }
    void pause() override { m_log->append(u"pause"_s); }
    void stop() override { m_log->append(u"stop"_s); }
    void unload() override { m_log->append(u"unload"_s); }

private:
    QStringList *m_log;
};

const QString TimSoundFont = u"/usr/share/sounds/sf2/TimGM6mb.sf2"_s;

} // namespace

class MciDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void deviceAnswersErrors() {
        TempFolder folder;
        const QString song = folder.write(u"my songs/a b.mid"_s, smallMidiFile());
        const QString text = folder.write(u"notes.mid"_s, "just text");
        QStringList log;
        SequencerMciDevice device(std::make_unique<LoggingSequencer>(&log));
        QCOMPARE(device.play(), MidiError::NotOpen);
        QCOMPARE(device.close(), MidiError::NotOpen);
        QCOMPARE(device.open(folder.file(u"gone.mid"_s)), MidiError::FileNotFound);
        QCOMPARE(device.open(text), MidiError::InvalidFile);
        QVERIFY(log.isEmpty() && !device.isOpen());

        QCOMPARE(device.open(song), MidiError::None);
        QVERIFY(device.isOpen());
        QCOMPARE(device.open(song), MidiError::DeviceOpen);
        for (auto call : {&MciDevice::stop, &MciDevice::play, &MciDevice::pause, &MciDevice::close})
            QCOMPARE((device.*call)(), MidiError::None);
        QCOMPARE(device.pause(), MidiError::NotOpen);
        QCOMPARE(log, (QStringList{u"load %1"_s.arg(smallMidiFile().size()), u"stop"_s, u"play"_s,
                                   u"pause"_s, u"unload"_s}));
    }

    void readsRmidAndBackslashPaths() {
        TempFolder folder;
        const QByteArray smf = smallMidiFile();
        QByteArray riff = QByteArray("RIFF\0\0\0\0RMIDdata", 16) + QByteArray(4, '\0');
        qToLittleEndian(quint32(smf.size()), riff.data() + 16);
        riff.append(smf);
        const QString rmid = folder.write(u"song.rmi"_s, riff);
        QByteArray read;
        QCOMPARE(readMidiFile(rmid, &read), MidiError::None);
        QCOMPARE(read, smf);

        folder.write(u"midi/b.mid"_s, smf);
        QCOMPARE(readMidiFile(folder.path() + u"\\midi\\b.mid"_s, &read), MidiError::None);
        QCOMPARE(readMidiFile(folder.path(), &read), MidiError::FileNotFound); // a folder
    }

    void fluidSynthPlaysAPieceIntoTheMix() {
        if (!QFileInfo(TimSoundFont).isFile())
            QSKIP("TimGM6mb.sf2 is not installed");
        TempFolder folder;
        const QString song = folder.write(u"tune.mid"_s, smallMidiFile());
        ManualAudioOutput output;
        auto owned = std::make_unique<FluidSequencer>(output, TimSoundFont);
        FluidSequencer &synth = *owned;
        SequencerMciDevice mci(std::move(owned));
        QSignalSpy ended(&mci, &MciDevice::pieceEnded);

        // Opened and played before the SoundFont has loaded: starts once it is ready.
        QCOMPARE(openMidi(mci, song), MidiError::None);
        QCOMPARE(playMidi(mci), MidiError::None);
        QVERIFY(synth.isPlaying());
        QVERIFY2(synth.waitUntilReady(20000), qPrintable(synth.errorString()));
        QVERIFY(peak(output.render(24000)) > 0.01f);

        pauseMidi(mci);
        output.render(4800); // the release after all sounds off
        QCOMPARE(peak(output.render(4800)), 0.0f);
        playMidi(mci);
        QVERIFY(peak(output.render(24000)) > 0.01f);

        // The piece ends by itself (within ten seconds), rings out and leaves silence.
        for (int i = 0; i < 100 && synth.isPlaying(); ++i)
            output.render(4800);
        QVERIFY(!synth.isPlaying());
        output.render(48000);
        QCOMPARE(peak(output.render(4800)), 0.0f);
        // The end is told once, after the pause told nothing.
        QTRY_COMPARE(ended.count(), 1);
        output.render(48000);
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 1);
    }
};

PIKORO_TEST_CLASS(MciDeviceTest)
#include "tst_mcidevice.moc"
