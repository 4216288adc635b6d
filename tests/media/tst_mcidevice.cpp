#include "TempFolder.h"
#include "TestRunner.h"

#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/FluidSequencer.h"
#include "media/MciDevice.h"
#include "media/MediaServices.h"
#include "media/RecordingMedia.h"

#include <QFileInfo>
#include <QTest>

using namespace pikoro;
using namespace pikoro::test;

namespace {

// Records what the device asks of the sequencer.
class LoggingSequencer : public MidiSequencer {
public:
    explicit LoggingSequencer(QStringList *log) : m_log(log) {}
    bool load(const QByteArray &smf) override {
        m_log->append(QStringLiteral("load %1").arg(smf.size()));
        return true;
    }
    void play() override { m_log->append(QStringLiteral("play")); }
    void pause() override { m_log->append(QStringLiteral("pause")); }
    void stop() override { m_log->append(QStringLiteral("stop")); }
    void unload() override { m_log->append(QStringLiteral("unload")); }

private:
    QStringList *m_log;
};

const QString TimSoundFont = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");

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
        const int open = int(MciCommand::Verb::Open);
        QTest::newRow("open") << "open /m/a.mid type sequencer alias midifile" << 0u << open
                              << "/m/a.mid"
                              << "midifile";
        QTest::newRow("open quoted with blanks")
            << "open \"/my music/a b.mid\" TYPE Sequencer ALIAS midifile  " << 0u << open
            << "/my music/a b.mid"
            << "midifile";
        QTest::newRow("open without alias") << "open /m/a.mid" << 0u << open << "/m/a.mid"
                                            << "/m/a.mid";
        QTest::newRow("stop upper case, trailing blank")
            << "STOP MIDIFILE " << 0u << int(MciCommand::Verb::Stop) << "MIDIFILE"
            << "MIDIFILE";
        QTest::newRow("pause") << "pause midifile " << 0u << int(MciCommand::Verb::Pause)
                               << "midifile"
                               << "midifile";
        QTest::newRow("play") << "play midifile" << 0u << int(MciCommand::Verb::Play) << "midifile"
                              << "midifile";
        QTest::newRow("close") << "close midifile" << 0u << int(MciCommand::Verb::Close)
                               << "midifile"
                               << "midifile";
        QTest::newRow("unquoted blank splits the path")
            << "open /my music/a.mid type sequencer alias midifile" << MciError::UnrecognizedKeyword
            << 0 << ""
            << "";
        QTest::newRow("unknown verb")
            << "rewind midifile" << MciError::UnrecognizedCommand << 0 << ""
            << "";
        QTest::newRow("blank command") << "   " << MciError::MissingCommandString << 0 << ""
                                       << "";
        QTest::newRow("play without alias") << "play" << MciError::MissingParameter << 0 << ""
                                            << "";
        QTest::newRow("alias without name")
            << "open a.mid alias" << MciError::MissingParameter << 0 << ""
            << "";
        QTest::newRow("extra word")
            << "play midifile loudly" << MciError::UnrecognizedKeyword << 0 << ""
            << "";
        QTest::newRow("open quote")
            << "open \"/m/a.mid alias midifile" << MciError::NoClosingQuote << 0 << ""
            << "";
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
        const QString song = folder.write(QStringLiteral("my songs/a b.mid"), smallMidiFile());
        const QString text = folder.write(QStringLiteral("notes.mid"), "just text");
        QStringList log;
        SequencerMciDevice device(std::make_unique<LoggingSequencer>(&log));

        QCOMPARE(device.sendString(QStringLiteral("play midifile")), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString(QStringLiteral("close midifile")), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString(QStringLiteral("open \"") +
                                   folder.file(QStringLiteral("gone.mid")) +
                                   QStringLiteral("\" type sequencer alias midifile")),
                 MciError::FileNotFound);
        QCOMPARE(device.sendString(QStringLiteral("open \"") + text +
                                   QStringLiteral("\" type sequencer alias midifile")),
                 MciError::InvalidFile);
        QCOMPARE(device.sendString(QStringLiteral("open \"") + song +
                                   QStringLiteral("\" type waveaudio alias midifile")),
                 MciError::InvalidDeviceName);
        QCOMPARE(device.sendString(QStringLiteral("open ") + song +
                                   QStringLiteral(" type sequencer alias midifile")),
                 MciError::UnrecognizedKeyword);
        QVERIFY(log.isEmpty());

        QCOMPARE(device.sendString(QStringLiteral("open \"") + song +
                                   QStringLiteral("\" type sequencer alias midifile")),
                 0u);
        QCOMPARE(device.openAlias(), QStringLiteral("midifile"));
        QCOMPARE(device.sendString(QStringLiteral("open \"") + song +
                                   QStringLiteral("\" type sequencer alias MidiFile")),
                 MciError::DuplicateAlias);
        QCOMPARE(device.sendString(QStringLiteral("open \"") + song +
                                   QStringLiteral("\" type sequencer alias other")),
                 MciError::DeviceOpen);
        QCOMPARE(device.sendString(QStringLiteral("play other")), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString(QStringLiteral("STOP MIDIFILE ")), 0u);
        QCOMPARE(device.sendString(QStringLiteral("play midifile")), 0u);
        QCOMPARE(device.sendString(QStringLiteral("pause midifile ")), 0u);
        QCOMPARE(device.sendString(QStringLiteral("close midifile")), 0u);
        QCOMPARE(device.sendString(QStringLiteral("pause midifile ")), MciError::InvalidDeviceName);
        QCOMPARE(log, QStringList({QStringLiteral("load %1").arg(smallMidiFile().size()),
                                   QStringLiteral("stop"), QStringLiteral("play"),
                                   QStringLiteral("pause"), QStringLiteral("unload")}));
    }

    void readsRmidAndBackslashPaths() {
        TempFolder folder;
        const QByteArray smf = smallMidiFile();
        QByteArray riff("RIFF\0\0\0\0RMIDdata", 16);
        const auto size = quint32(smf.size());
        riff.append(char(size))
            .append(char(size >> 8))
            .append(char(size >> 16))
            .append(char(size >> 24));
        riff.append(smf);
        const QString rmid = folder.write(QStringLiteral("song.rmi"), riff);
        QByteArray read;
        QCOMPARE(readMidiFile(rmid, &read), 0u);
        QCOMPARE(read, smf);

        folder.write(QStringLiteral("midi/b.mid"), smf);
        QCOMPARE(readMidiFile(folder.path() + QStringLiteral("\\midi\\b.mid"), &read), 0u);
        QCOMPARE(readMidiFile(folder.path(), &read), MciError::FileNotFound); // a folder
    }

    void moduleOperationsSendTheCommandStrings() {
        RecordingMciDevice mci;
        QCOMPARE(OpenMidi(mci, QString()), 0);
        QVERIFY(mci.commands.isEmpty());

        QCOMPARE(OpenMidi(mci, QStringLiteral("/home/k/my songs/a.mid")), 0);
        QCOMPARE(PlayMidi(mci), 0);
        QVERIFY(mci.playing);
        QCOMPARE(PauseMidi(mci), 0);
        QCOMPARE(CloseMidi(mci), 0);
        QCOMPARE(
            mci.commands,
            QStringList(
                {QStringLiteral("stop midifile "), QStringLiteral("close midifile"),
                 QStringLiteral("open \"/home/k/my songs/a.mid\" type sequencer alias midifile"),
                 QStringLiteral("STOP MIDIFILE "), QStringLiteral("play midifile"),
                 QStringLiteral("pause midifile "), QStringLiteral("close midifile")}));
        QVERIFY(mci.openPath.isEmpty());

        // The open's result is the one returned, not the stop's or the close's.
        mci.results = {MciError::InvalidDeviceName, MciError::InvalidDeviceName, 0};
        QCOMPARE(OpenMidi(mci, QStringLiteral("/m/a.mid")), 0);
        mci.results = {0, 0, MciError::FileNotFound};
        QCOMPARE(OpenMidi(mci, QStringLiteral("/m/a.mid")), int(MciError::FileNotFound));
        mci.results = {0, MciError::InvalidDeviceName};
        QCOMPARE(PlayMidi(mci), int(MciError::InvalidDeviceName));
    }

    void fluidSynthPlaysAPieceIntoTheMix() {
        if (!QFileInfo(TimSoundFont).isFile())
            QSKIP("TimGM6mb.sf2 is not installed");
        TempFolder folder;
        const QString song = folder.write(QStringLiteral("tune.mid"), smallMidiFile());
        ManualAudioOutput output;
        auto owned = std::make_unique<FluidSequencer>(output, TimSoundFont);
        FluidSequencer &synth = *owned;
        SequencerMciDevice mci(std::move(owned));

        // Opened and played before the SoundFont has loaded: starts once it is ready.
        QCOMPARE(OpenMidi(mci, song), 0);
        QCOMPARE(PlayMidi(mci), 0);
        QVERIFY(synth.isPlaying());
        QVERIFY2(synth.waitUntilReady(20000), qPrintable(synth.errorString()));
        QVERIFY(peak(output.render(24000)) > 0.01f);

        PauseMidi(mci);
        output.render(4800); // the release after all sounds off
        QCOMPARE(peak(output.render(4800)), 0.0f);
        PlayMidi(mci);
        QVERIFY(peak(output.render(24000)) > 0.01f);

        // The piece ends by itself (within ten seconds), rings out and leaves silence.
        for (int i = 0; i < 100 && synth.isPlaying(); ++i)
            output.render(4800);
        QVERIFY(!synth.isPlaying());
        output.render(48000);
        QCOMPARE(peak(output.render(4800)), 0.0f);

        CloseMidi(mci);
        QCOMPARE(PlayMidi(mci), int(MciError::InvalidDeviceName));
    }

    void fluidSynthReportsAMissingSoundFont() {
        ManualAudioOutput output;
        TempFolder folder;
        FluidSequencer synth(output, folder.file(QStringLiteral("none.sf2")));
        QVERIFY(!synth.waitUntilReady(5000));
        QVERIFY(!synth.errorString().isEmpty());
        QVERIFY(synth.load(smallMidiFile()));
        synth.play();
        QCOMPARE(peak(output.render(4800)), 0.0f);
    }
};

PIKORO_TEST_CLASS(MciDeviceTest)
#include "tst_mcidevice.moc"
