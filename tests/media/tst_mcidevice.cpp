#include "ManualAudioOutput.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/FluidSequencer.h"
#include "media/MciDevice.h"
#include "media/MediaServices.h"
#include "RecordingMedia.h"

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
    void parsesCommands_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("error");
        QTest::addColumn<int>("verb");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("alias");
        using V = MciCommand::Verb;
        const auto ok = [](const char *name, const char *text, V verb, const char *device,
                           const char *alias) {
            QTest::newRow(name) << QString::fromUtf8(text) << 0u << int(verb)
                                << QString::fromUtf8(device) << QString::fromUtf8(alias);
        };
        const auto bad = [](const char *name, const char *text, uint error) {
            QTest::newRow(name) << QString::fromUtf8(text) << error << 0 << QString() << QString();
        };
        ok("open", "open /m/a.mid type sequencer alias midifile", V::Open, "/m/a.mid", "midifile");
        ok("open quoted with blanks", "open \"/my music/a b.mid\" TYPE Sequencer ALIAS midifile  ",
           V::Open, "/my music/a b.mid", "midifile");
        ok("stop upper case, trailing blank", "STOP MIDIFILE ", V::Stop, "MIDIFILE", "MIDIFILE");
        bad("unquoted blank splits the path", "open /my music/a.mid type sequencer alias midifile",
            MciError::UnrecognizedKeyword);
        bad("unknown verb", "rewind midifile", MciError::UnrecognizedCommand);
        bad("open quote", "open \"/m/a.mid alias midifile", MciError::NoClosingQuote);
    }
    void parsesCommands() {
        QFETCH(QString, text);
        QFETCH(uint, error);
        QFETCH(int, verb);
        QFETCH(QString, device);
        QFETCH(QString, alias);
        MciCommand command;
        QCOMPARE(parseMciCommand(text, &command), error);
        if (error == 0) {
            QCOMPARE(int(command.verb), verb);
            QCOMPARE(command.device, device);
            QCOMPARE(command.alias, alias);
        }
    }

    void deviceAnswersErrorCodes() {
        TempFolder folder;
        const QString song = folder.write(u"my songs/a b.mid"_s, smallMidiFile());
        const QString text = folder.write(u"notes.mid"_s, "just text");
        QStringList log;
        SequencerMciDevice device(std::make_unique<LoggingSequencer>(&log));
        const auto send = [&device](const QString &command) { return device.sendString(command); };
        const auto open = [&send](const QString &path, const QString &rest) {
            return send(u"open \""_s + path + u"\" "_s + rest);
        };
        const QString sequencer = u"type sequencer alias midifile"_s;

        QCOMPARE(send(u"play midifile"_s), MciError::InvalidDeviceName);
        QCOMPARE(send(u"close midifile"_s), MciError::InvalidDeviceName);
        QCOMPARE(open(folder.file(u"gone.mid"_s), sequencer), MciError::FileNotFound);
        QCOMPARE(open(text, sequencer), MciError::InvalidFile);
        QCOMPARE(open(song, u"type waveaudio alias midifile"_s), MciError::InvalidDeviceName);
        QCOMPARE(send(u"open "_s + song + u" "_s + sequencer), MciError::UnrecognizedKeyword);
        QVERIFY(log.isEmpty());

        QCOMPARE(open(song, sequencer), 0u);
        QCOMPARE(device.openAlias(), u"midifile"_s);
        QCOMPARE(open(song, u"type sequencer alias MidiFile"_s), MciError::DuplicateAlias);
        QCOMPARE(open(song, u"type sequencer alias other"_s), MciError::DeviceOpen);
        QCOMPARE(send(u"play other"_s), MciError::InvalidDeviceName);
        for (const QString &command :
             {u"STOP MIDIFILE "_s, u"play midifile"_s, u"pause midifile "_s, u"close midifile"_s})
            QCOMPARE(send(command), 0u);
        QCOMPARE(send(u"pause midifile "_s), MciError::InvalidDeviceName);
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
        QCOMPARE(readMidiFile(rmid, &read), 0u);
        QCOMPARE(read, smf);

        folder.write(u"midi/b.mid"_s, smf);
        QCOMPARE(readMidiFile(folder.path() + u"\\midi\\b.mid"_s, &read), 0u);
        QCOMPARE(readMidiFile(folder.path(), &read), MciError::FileNotFound); // a folder
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
        QCOMPARE(openMidi(mci, song), 0);
        QCOMPARE(playMidi(mci), 0);
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

        closeMidi(mci);
        QCOMPARE(playMidi(mci), int(MciError::InvalidDeviceName));
    }
};

PIKORO_TEST_CLASS(MciDeviceTest)
#include "tst_mcidevice.moc"
