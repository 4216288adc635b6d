#include "KeyRig.h"
#include "TestRunner.h"

#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// Gives every sound and MIDI slot a distinct name, so the slot a key reached can be read off
// CurrentFileName or the device's open path. Picture slots stay empty: no picture to load.
void fillSounds(AppState &state)
{
    for (int i = 0; i < KeySoundCount; ++i)
        state.tables.KeySoundTable[i] = u"/snd/key%1.wav"_s.arg(i);
    for (int i = 0; i < DigitCount; ++i)
        state.tables.DigitSoundTable[i] = u"/snd/digit%1.wav"_s.arg(i);
    for (int i = 0; i < MidiSlotCount; ++i)
        state.tables.MidiTable[i] = u"/mid/slot%1.mid"_s.arg(i);
}

} // namespace

class KeyDispatchTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void characters_data()
    {
        QTest::addColumn<int>("character");
        QTest::addColumn<int>("array");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("sound");
        const int comnd = int(ScreenButton::Comnd);
        const int digit = int(ScreenButton::Command3D1);
        QTest::newRow("lower q") << int('q') << comnd << 16 << u"/snd/key16.wav"_s;
        QTest::newRow("upper Q") << int('Q') << comnd << 16 << u"/snd/key16.wav"_s;
        QTest::newRow("lower a") << int('a') << comnd << 0 << u"/snd/key0.wav"_s;
        QTest::newRow("upper Z") << int('Z') << comnd << 25 << u"/snd/key25.wav"_s;
        QTest::newRow("space") << int(' ') << comnd << 26 << u"/snd/key26.wav"_s;
        QTest::newRow("digit 0") << int('0') << digit << 0 << u"/snd/digit0.wav"_s;
        QTest::newRow("digit 9") << int('9') << digit << 9 << u"/snd/digit9.wav"_s;
    }
    void characters()
    {
        QFETCH(int, character);
        QFETCH(int, array);
        QFETCH(int, index);
        QFETCH(QString, sound);
        KeyRig rig;
        fillSounds(rig.state);
        rig.keys.Form_KeyPress(character);
        QCOMPARE(rig.view.focus.size(), 1);
        QCOMPARE(rig.view.focus.first(), std::make_pair(ScreenButton(array), index));
        QCOMPARE(rig.state.CurrentFileName, sound);
        QVERIFY(rig.state.KeyBusy);
        QCOMPARE(rig.state.KeyStrokeMark, 1);
        QVERIFY(rig.keys.isTimer1Active());

        rig.keys.Timer1_Timer();
        QCOMPARE(rig.view.soundName(), QFileInfo(sound).fileName());
        QVERIFY(!rig.state.KeyBusy);
        QVERIFY(rig.state.CurrentFileName.isEmpty());
    }

    void unmappedCharacterStillStopsThePiece()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.keys.CMDM_Click(0);
        QVERIFY(rig.mci.playing);
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::midi_open, 0));

        rig.keys.Form_KeyPress('!');
        QVERIFY(!rig.mci.playing);
        QVERIFY(rig.mci.openPath.isEmpty());
        QVERIFY(rig.view.isButtonEnabled(ScreenButton::midi_open, 0));
        QVERIFY(!rig.view.isButtonEnabled(ScreenButton::MIDISTOP, 0));
        QVERIFY(rig.view.focus.isEmpty());
        QVERIFY(rig.view.shown.isEmpty());
        QVERIFY(!rig.keys.isTimer1Active());
    }

    void keyDown_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("sound"); // CurrentFileName afterwards
        QTest::addColumn<QString>("piece"); // the MIDI piece playing afterwards
        QTest::newRow("down") << int(Qt::Key_Down) << true << u"/snd/key28.wav"_s << QString();
        QTest::newRow("up") << int(Qt::Key_Up) << true << u"/snd/key29.wav"_s << QString();
        QTest::newRow("right") << int(Qt::Key_Right) << true << u"/snd/key30.wav"_s << QString();
        QTest::newRow("left") << int(Qt::Key_Left) << true << u"/snd/key31.wav"_s << QString();
        QTest::newRow("F1") << int(Qt::Key_F1) << true << u"/mid/slot10.mid"_s
                            << u"/mid/slot10.mid"_s;
        QTest::newRow("F10") << int(Qt::Key_F10) << true << u"/mid/slot19.mid"_s
                             << u"/mid/slot19.mid"_s;
        QTest::newRow("F11 only by click") << int(Qt::Key_F11) << false << QString() << QString();
        QTest::newRow("F12 only by click") << int(Qt::Key_F12) << false << QString() << QString();
        QTest::newRow("return only by click") << int(Qt::Key_Return) << false << QString()
                                              << QString();
        QTest::newRow("letter goes to the character handler")
            << int(Qt::Key_A) << false << QString() << QString();
    }
    void keyDown()
    {
        QFETCH(int, qtKey);
        QFETCH(bool, taken);
        QFETCH(QString, sound);
        QFETCH(QString, piece);
        KeyRig rig;
        fillSounds(rig.state);
        QCOMPARE(rig.keys.keyDown(qtKey), taken);
        QCOMPARE(rig.state.CurrentFileName, sound);
        QCOMPARE(rig.mci.openPath, piece);
        QCOMPARE(rig.mci.playing, !piece.isEmpty());
        // Key-down never moves the focus; only characters do.
        QVERIFY(rig.view.focus.isEmpty());
    }

    void functionButtonsPlayTheirSlots_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("piece");
        QTest::newRow("F11") << 10 << u"/mid/slot20.mid"_s;
        QTest::newRow("F12") << 11 << u"/mid/slot21.mid"_s;
    }
    void functionButtonsPlayTheirSlots()
    {
        QFETCH(int, button);
        QFETCH(QString, piece);
        KeyRig rig;
        fillSounds(rig.state);
        rig.keys.CMDF_Click(button);
        QCOMPARE(rig.mci.openPath, piece);
        QVERIFY(rig.mci.playing);
        QVERIFY(rig.state.KeyBusy);
    }

    void keyDownIsBlocked()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.state.KeyBusy = true;
        QVERIFY(rig.keys.keyDown(Qt::Key_Down));
        QVERIFY(rig.keys.keyDown(Qt::Key_F3));
        QVERIFY(rig.state.CurrentFileName.isEmpty());
        QVERIFY(rig.mci.commands.isEmpty());

        // A piece plays (its opening button is off): arrows and F-keys are ignored, even once
        // the action is no longer under way.
        rig.keys.CMDM_Click(2);
        rig.state.KeyBusy = false;
        rig.mci.commands.clear();
        QVERIFY(!rig.keys.keyDown(Qt::Key_F3));
        QVERIFY(!rig.keys.keyDown(Qt::Key_Up));
        QVERIFY(rig.mci.commands.isEmpty());
        QCOMPARE(rig.mci.openPath, u"/mid/slot3.mid"_s);
        QCOMPARE(rig.state.CurrentFileName, u"/mid/slot3.mid"_s);
    }

    void specialKeysLeaveTheActionFlagAlone()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.keys.CMDM_Click(8);
        QCOMPARE(rig.mci.openPath, u"/mid/slot9.mid"_s);
        QVERIFY(!rig.state.KeyBusy);
        QVERIFY(rig.view.shown.isEmpty());
    }

    void kanaModeSpeaksTheCaption()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.state.KanaMode() = true;
        key_chenge(rig.state);
        rig.keys.Form_KeyPress('q');
        rig.keys.Form_KeyPress('A');
        rig.keys.Comnd_Click(DownSlot);
        QCOMPARE(rig.speech.spoken, QStringList({u"た"_s, u"ち"_s, u"↓"_s}));
        // Speaking is the whole action: no picture, no sound step, nothing under way.
        QVERIFY(rig.view.shown.isEmpty());
        QVERIFY(!rig.keys.isTimer1Active());
        QVERIFY(rig.state.CurrentFileName.isEmpty());
        QVERIFY(!rig.state.KeyBusy);
        QCOMPARE(rig.view.focus.last(), std::make_pair(ScreenButton::Comnd, 0));
    }

    void kanaModeDigitsSpeakTheNumberAndKeepThePiece()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.state.KanaMode() = true;
        rig.keys.CMDM_Click(0);
        rig.keys.Command3D1_Click(7);
        QCOMPARE(rig.speech.spoken, QStringList{u"7"_s});
        QVERIFY(rig.mci.playing);
        QVERIFY(rig.state.KeyBusy);
        // The next character key stops the piece and ends the action.
        rig.keys.Form_KeyPress('3');
        QCOMPARE(rig.speech.spoken, QStringList({u"7"_s, u"3"_s}));
        QVERIFY(!rig.mci.playing);
    }

    void outOfRangeIndexesAreIgnored()
    {
        KeyRig rig;
        fillSounds(rig.state);
        rig.keys.Comnd_Click(32);
        rig.keys.Command3D1_Click(-1);
        rig.keys.CMDM_Click(9);
        rig.keys.CMDF_Click(12);
        QVERIFY(!rig.state.KeyBusy);
        QVERIFY(rig.mci.commands.isEmpty());
        QVERIFY(rig.state.CurrentFileName.isEmpty());
    }
};

PIKORO_TEST_CLASS(KeyDispatchTest)
#include "tst_keydispatch.moc"
