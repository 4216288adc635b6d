#include "KeyRig.h"
#include "TestRunner.h"

#include "keys/BuiltinPictures.h"
#include "media/MciDevice.h"

#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// A sequencer that takes any piece and only remembers whether it plays.
class SilentSequencer : public MidiSequencer {
public:
    explicit SilentSequencer(bool *playing) : m_playing(playing) {}
    bool load(const QByteArray &) override { return true; }
    void play() override { *m_playing = true; }
    void pause() override { *m_playing = false; }
    void stop() override { *m_playing = false; }
    void unload() override { *m_playing = false; }

private:
    bool *m_playing;
};

// The sequencer device with a silent sequencer, so the device itself judges paths and files.
struct DeviceRig {
    DeviceRig() : device(std::make_unique<SilentSequencer>(&playing)), rig(&device) {}

    // A Standard MIDI File with one empty track.
    QString midiFile(const QString &name)
    {
        return rig.folder.write(
            name, QByteArray("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xff\x2f\0", 26));
    }

    bool playing = false;
    SequencerMciDevice device;
    KeyRig rig;
};

const QString NotRegistered = u"ＭＩＤＩファイルが登録されていません"_s;
const QString OpeningNotRegistered = u"オープニングＭＩＤＩファイルは登録されていません"_s;

void checkMessage(const ScriptedDialogs &dialogs, const QString &text,
                  MessageIcon icon = MessageIcon::None, const QString &title = {})
{
    QCOMPARE(dialogs.calls().size(), 1);
    const MessageBoxRequest &box = dialogs.calls().first().message;
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, title);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttons, MessageButtons::Ok);
}

bool midiButtonsAre(const FakeMainScreen &view, bool on)
{
    return view.isButtonEnabled(ScreenButton::midi_open, 0) == on &&
           view.all(ScreenButton::CMDM, 9, on) && view.all(ScreenButton::CMDF, 12, on);
}

} // namespace

class KeySoundTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void waveStep_data()
    {
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("once") << true << false
                              << QStringList{u"stopped"_s, u"played /snd/x.wav once"_s};
        QTest::newRow("looped") << true << true
                                << QStringList{u"stopped"_s, u"played /snd/x.wav looped"_s};
        QTest::newRow("sounds off") << false << true << QStringList{u"stopped"_s};
    }
    void waveStep()
    {
        QFETCH(bool, sound);
        QFETCH(bool, loop);
        QFETCH(QStringList, log);
        KeyRig rig;
        rig.state.flags.SoundFlag = sound;
        rig.state.flags.RENFlag = loop;
        rig.state.tables.KeySoundTable[23] = u"/snd/x.wav"_s;
        rig.keys.Form_KeyPress('x');
        QVERIFY(rig.wave.log.isEmpty()); // nothing before the half second is up
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.wave.log, log);
        QCOMPARE(rig.view.soundName(), u"x.wav"_s);
        QVERIFY(!rig.state.KeyBusy);
        QVERIFY(rig.state.CurrentFileName.isEmpty());
        QVERIFY(!rig.keys.isTimer1Active());
    }

    void keyWithoutSoundShows34Asterisks()
    {
        KeyRig rig;
        rig.state.flags.SoundFlag = true;
        rig.keys.Comnd_Click(3);
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.view.soundName(), u"**********************************"_s);
        QCOMPARE(rig.wave.log, QStringList{u"stopped"_s});
    }

    void invalidSoundPathIsReportedAndTheStepGoesOn()
    {
        KeyRig rig;
        rig.state.flags.SoundFlag = true;
        rig.state.tables.DigitSoundTable[5] = u"/snd/a|b.wav"_s;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.keys.Form_KeyPress('5');
        rig.keys.Timer1_Timer();
        checkMessage(rig.dialogs, u"不正なパス名です。"_s, MessageIcon::Exclamation,
                     u"Message"_s);
        QCOMPARE(rig.view.soundName(), QString());
        QCOMPARE(rig.wave.log.last(), u"played /snd/a|b.wav once"_s);
        QVERIFY(!rig.state.KeyBusy);
    }

    void functionKeyWithoutPieceShows32Asterisks()
    {
        KeyRig rig;
        rig.keys.keyDown(Qt::Key_F4);
        QCOMPARE(rig.view.soundName(), u"********************************"_s);
        QVERIFY(rig.mci.commands.isEmpty());
        QVERIFY(rig.state.KeyBusy);
        // The action stays under way: arrows and F-keys wait for the next character key.
        QVERIFY(rig.keys.keyDown(Qt::Key_Down));
        QCOMPARE(rig.state.CurrentFileName, QString());
        rig.keys.Form_KeyPress('?');
        QVERIFY(!rig.state.KeyBusy);
    }

    void buttonStatesWhileAPiecePlays()
    {
        KeyRig rig;
        rig.state.tables.MidiTable[1] = u"/mid/esc.mid"_s;
        for (int i = 0; i < 13; ++i)
            rig.view.setButtonEnabled(ScreenButton::HAZURE, i, false);
        rig.view.setButtonEnabled(ScreenButton::Command3D1, 4, false);

        rig.keys.CMDM_Click(0);
        QVERIFY(midiButtonsAre(rig.view, false));
        QVERIFY(rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
        QVERIFY(rig.view.all(ScreenButton::HAZURE, 13, true));
        QVERIFY(rig.view.all(ScreenButton::Command3D1, 10, true));
        QCOMPARE(rig.view.soundName(), u"esc.mid"_s);
        QCOMPARE(rig.mci.commands.mid(rig.mci.commands.size() - 5),
                 QStringList({u"stop midifile "_s, u"close midifile"_s,
                              u"open \"/mid/esc.mid\" type sequencer alias midifile"_s,
                              u"STOP MIDIFILE "_s, u"play midifile"_s}));
        QVERIFY(rig.mci.playing);

        rig.keys.MIDISTOP_Click();
        QVERIFY(midiButtonsAre(rig.view, true));
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
        QVERIFY(!rig.mci.playing);
        QVERIFY(rig.mci.openPath.isEmpty());
        QCOMPARE(rig.view.soundName(), QString());
    }

    void aPictureKeyStopsThePiece()
    {
        KeyRig rig;
        rig.state.tables.MidiTable[2] = u"/mid/tab.mid"_s;
        rig.keys.CMDM_Click(1);
        rig.keys.Comnd_Click(0); // a mouse click: no character handler ran first
        QVERIFY(!rig.mci.playing);
        QVERIFY(midiButtonsAre(rig.view, true));
    }

    void specialKeyWithoutPieceIsReported()
    {
        KeyRig rig;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.keys.CMDM_Click(4);
        checkMessage(rig.dialogs, NotRegistered);
        QVERIFY(rig.view.soundNames.contains(u"********************************"_s));
        QVERIFY(midiButtonsAre(rig.view, true));
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
    }

    void pathWithBlankPlays()
    {
        DeviceRig d;
        d.rig.state.tables.MidiTable[12] = d.midiFile(u"my songs/happy song.mid"_s);
        d.rig.keys.keyDown(Qt::Key_F3);
        QVERIFY(d.playing);
        QCOMPARE(d.device.openAlias(), u"midifile"_s);
        QVERIFY(d.rig.dialogs.calls().isEmpty());
        QCOMPARE(d.rig.view.soundName(), u"happy song.mid"_s);
    }

    void pieceThatCannotBeOpenedIsReported_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::addColumn<QString>("message");
        QTest::newRow("key") << false << u"MIDI名又はパス名が違います"_s;
        QTest::newRow("opening") << true << u"オープニングMIDI名又はパス名が違います"_s;
    }
    void pieceThatCannotBeOpenedIsReported()
    {
        QFETCH(bool, opening);
        QFETCH(QString, message);
        DeviceRig d;
        KeyRig &rig = d.rig;
        rig.state.flags.OPENFlag = true;
        rig.state.tables.MidiTable[OpeningMidiSlot] = rig.folder.file(u"gone.mid"_s);
        rig.state.tables.MidiTable[19] = rig.folder.write(u"f10.mid"_s, "not a MIDI file");
        rig.dialogs.answerButton(DialogButton::Ok);
        if (opening) {
            rig.keys.StartOpening();
            rig.keys.Timer1_Timer();
        } else {
            rig.keys.CMDF_Click(9);
        }
        checkMessage(rig.dialogs, message);
        QVERIFY(!d.playing);
        QVERIFY(midiButtonsAre(rig.view, true));
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
        QVERIFY(!rig.view.dancing);
        QVERIFY(!rig.state.OpeningActive);
    }

    void playFailureIsReportedToo()
    {
        KeyRig rig;
        rig.state.tables.MidiTable[3] = u"/mid/ctr.mid"_s;
        // pause, close, then OpenMidi's stop, close and open succeed; STOP and play fail.
        rig.mci.results = {263, 263, 263, 263, 0, 0, 276};
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.keys.CMDM_Click(2);
        checkMessage(rig.dialogs, u"MIDI名又はパス名が違います"_s);
        QVERIFY(rig.mci.openPath.isEmpty());
        QVERIFY(midiButtonsAre(rig.view, true));
    }

    void f10DancesWhileItsPiecePlays()
    {
        KeyRig rig;
        rig.state.tables.MidiTable[19] = u"/mid/dance.mid"_s;
        rig.keys.keyDown(Qt::Key_F10);
        QVERIFY(rig.view.dancing);
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.view.shown.first().area.size(), QSize(8000, 6000));
        QVERIFY(rig.mci.playing);
        rig.keys.Form_KeyPress('a');
        QVERIFY(!rig.view.dancing);
    }
};

class OpeningTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void builtinPictureWithoutAPiece()
    {
        KeyRig rig;
        rig.keys.midi_open_Click();
        QVERIFY(rig.state.OpeningActive);
        QCOMPARE(rig.state.picturePath, rig.folder.path() + u"/OPEN.BMP"_s);
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.view.shown.first().image,
                 openingPicture().scaled(rig.view.shown.first().image.size(),
                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        QCOMPARE(rig.dialogs.pointerChanges(),
                 QList<MousePointer>({MousePointer::ArrowHourglass, MousePointer::Normal}));
        QVERIFY(rig.keys.isTimer1Active());
        rig.keys.Timer1_Timer();
        QVERIFY(!rig.state.OpeningActive);
        QVERIFY(!rig.keys.isTimer1Active());
        QVERIFY(rig.mci.commands.isEmpty());
        QVERIFY(rig.wave.log.isEmpty());
    }

    void assignedPictureAndPiece()
    {
        KeyRig rig;
        rig.state.flags.OPENFlag = true;
        rig.state.tables.KeyPictureTable[OpeningPictureSlot] =
            rig.bitmap(u"open.bmp"_s, QSize(80, 80));
        rig.state.tables.MidiTable[OpeningMidiSlot] = u"/mid/opening.mid"_s;
        rig.keys.StartOpening();
        QCOMPARE(rig.view.shown.size(), 1);
        QVERIFY(!rig.mci.playing);
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.mci.openPath, u"/mid/opening.mid"_s);
        QVERIFY(rig.mci.playing);
        QVERIFY(!rig.state.OpeningActive);
        QCOMPARE(rig.view.soundName(), u"opening.mid"_s);
    }

    void openingFlagWithoutPieceIsReported()
    {
        KeyRig rig;
        rig.state.flags.OPENFlag = true;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.keys.StartOpening();
        rig.keys.Timer1_Timer();
        checkMessage(rig.dialogs, OpeningNotRegistered);
        QVERIFY(!rig.state.OpeningActive);
    }

    void invalidOpeningPathEndsTheOpening()
    {
        KeyRig rig;
        rig.state.flags.OPENFlag = true;
        rig.state.flags.SoundFlag = true;
        rig.state.tables.MidiTable[OpeningMidiSlot] = u"/mid/bad:name.mid"_s;
        rig.state.tables.KeySoundTable[0] = u"/snd/a.wav"_s;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.keys.StartOpening();
        rig.keys.Timer1_Timer();
        checkMessage(rig.dialogs, u"不正なパス名です。"_s, MessageIcon::Exclamation,
                     u"Message"_s);
        QVERIFY(!rig.state.OpeningActive);

        // The next key's sound is a WAVE sound, not a MIDI piece.
        rig.keys.Form_KeyPress('a');
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.wave.log.last(), u"played /snd/a.wav once"_s);
        QVERIFY(!rig.mci.playing);
    }

    void startUpTimer()
    {
        KeyRig rig;
        rig.state.tables.MidiTable[OpeningMidiSlot] = u"/mid/opening.mid"_s;
        rig.keys.startStartupTimer();
        QVERIFY(rig.keys.isTimer3Active());
        rig.keys.Timer3_Timer();
        QVERIFY(!rig.keys.isTimer3Active());
        QCOMPARE(rig.view.splashUnloads, 1);
        QVERIFY(midiButtonsAre(rig.view, true));
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
        QVERIFY(rig.state.OpeningActive);
        // OPENFlag is off: the piece is not even taken up.
        QVERIFY(rig.state.CurrentFileName.isEmpty());
        QCOMPARE(rig.view.shown.size(), 1);
        QVERIFY(rig.keys.isTimer1Active());
    }

    void startUpTimerRunsOnItsOwn()
    {
        KeyRig rig;
        rig.keys.startStartupTimer();
        QTRY_COMPARE_WITH_TIMEOUT(rig.view.splashUnloads, 1, 2000);
    }
};

PIKORO_TEST_CLASS(KeySoundTest)
PIKORO_TEST_CLASS(OpeningTest)
#include "tst_keymedia.moc"
