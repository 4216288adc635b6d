#include "KeyRig.h"
#include "SilentSequencer.h"
#include "TestRunner.h"

#include "media/MciDevice.h"
#include "play/BuiltinPictures.h"

#include <QRegularExpression>

#include <QTest>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {
// Gives every sound and MIDI slot a distinct name, so the slot a key reached can be read off
// currentFileName or the device's open path. Picture slots stay empty: no picture to load.
void fillSounds(AppState &state) {
    for (int i = 0; i < KeySoundCount; ++i)
        state.tables.keySounds[i] = u"/snd/key%1.wav"_s.arg(i);
    for (int i = 0; i < DigitCount; ++i)
        state.tables.digitSounds[i] = u"/snd/digit%1.wav"_s.arg(i);
    for (int i = 0; i < MidiSlotCount; ++i)
        state.tables.midiPieces[i] = u"/mid/slot%1.mid"_s.arg(i);
}

// A rig whose sound and MIDI slots are all filled.
struct FilledRig : KeyRig {
    FilledRig() { fillSounds(state); }
};

// The real sequencer device over a silent sequencer, so the device itself judges paths.
struct DeviceRig {
    DeviceRig() : device(std::make_unique<SilentSequencer>(&playing)), rig(&device) {}
    QString midiFile(const QString &name) { return rig.folder.write(name, TinyMidi); }
    bool playing = false;
    SequencerMciDevice device;
    KeyRig rig;
};

// Makes one thing go wrong on the rig.
using Mishap = void (*)(KeyRig &);

} // namespace

Q_DECLARE_METATYPE(Mishap)

class KeyActionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void characters_data() {
        QTest::addColumn<int>("character");
        QTest::addColumn<int>("array");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("sound");
        const int comnd = int(ScreenButton::Letter), digit = int(ScreenButton::Digit);
        QTest::newRow("lower q") << int('q') << comnd << 16 << u"/snd/key16.wav"_s;
        QTest::newRow("upper Q") << int('Q') << comnd << 16 << u"/snd/key16.wav"_s;
        QTest::newRow("space") << int(' ') << comnd << 26 << u"/snd/key26.wav"_s;
        QTest::newRow("digit 9") << int('9') << digit << 9 << u"/snd/digit9.wav"_s;
    }
    void characters() {
        QFETCH(int, character);
        QFETCH(int, array);
        QFETCH(int, index);
        QFETCH(QString, sound);
        FilledRig rig;
        rig.keys.onCharacterTyped(character);
        QCOMPARE(rig.view.focus, QList({std::make_pair(ScreenButton(array), index)}));
        QCOMPARE(rig.keys.currentFileName(), sound);
        QVERIFY(rig.keys.isBusy());
        QVERIFY(rig.keys.isSoundDelayActive());
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.view.soundName(), QFileInfo(sound).fileName());
        QVERIFY(!rig.keys.isBusy());
    }

    void keyDown_data() {
        QTest::addColumn<int>("before"); // 0 idle, 1 an action under way, 2 a piece plays
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("file"); // currentFileName afterwards
        QTest::addColumn<QString>("piece");
        const QString none;
        QTest::newRow("down") << 0 << int(Qt::Key_Down) << true << u"/snd/key28.wav"_s << none;
        QTest::newRow("left") << 0 << int(Qt::Key_Left) << true << u"/snd/key31.wav"_s << none;
        QTest::newRow("F1") << 0 << int(Qt::Key_F1) << true << u"/mid/slot10.mid"_s
                            << u"/mid/slot10.mid"_s;
        QTest::newRow("F10") << 0 << int(Qt::Key_F10) << true << u"/mid/slot19.mid"_s
                             << u"/mid/slot19.mid"_s;
        QTest::newRow("F11") << 0 << int(Qt::Key_F11) << false << none << none;
        QTest::newRow("return") << 0 << int(Qt::Key_Return) << false << none << none;
        QTest::newRow("down while busy")
            << 1 << int(Qt::Key_Down) << true << u"/snd/key0.wav"_s << none;
        QTest::newRow("F3 while a piece plays")
            << 2 << int(Qt::Key_F3) << false << u"/mid/slot3.mid"_s << u"/mid/slot3.mid"_s;
    }
    void keyDown() {
        QFETCH(int, before);
        QFETCH(int, qtKey);
        QFETCH(bool, taken);
        QFETCH(QString, file);
        QFETCH(QString, piece);
        FilledRig rig;
        if (before == 1)
            rig.keys.onLetterClicked(0);
        if (before == 2)
            rig.keys.onSpecialKeyClicked(2);
        QCOMPARE(rig.keys.keyDown(qtKey), taken);
        QCOMPARE(rig.keys.currentFileName(), file);
        QCOMPARE(rig.mci.openPath, piece);
        QCOMPARE(rig.mci.playing, !piece.isEmpty());
        QVERIFY(rig.view.focus.isEmpty()); // only characters move the focus
    }

    void kanaModeSpeaksTheCaption() {
        FilledRig rig;
        rig.state.kanaMode() = true;
        applyKeyCaptions(rig.state, true);
        rig.keys.onCharacterTyped('q');
        rig.keys.onCharacterTyped('A');
        rig.keys.onLetterClicked(DownSlot);
        QVERIFY(rig.view.shown.isEmpty() && !rig.keys.isSoundDelayActive() && !rig.keys.isBusy());
        // A digit speaks its number and, unlike a letter, leaves a playing piece alone.
        rig.keys.onSpecialKeyClicked(0);
        rig.keys.onDigitClicked(7);
        QVERIFY(rig.mci.playing && rig.keys.isBusy());
        QCOMPARE(rig.speech.spoken, QStringList({u"た"_s, u"ち"_s, u"↓"_s, u"7"_s}));
    }

    void waveStep_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QString>("played"); // the last entry of the player's log
        const QString x = u"/snd/x.wav"_s;
        QTest::newRow("once") << x << true << false << u"played /snd/x.wav once"_s;
        QTest::newRow("looped") << x << true << true << u"played /snd/x.wav looped"_s;
        QTest::newRow("sounds off") << x << false << false << u"stopped"_s;
        QTest::newRow("no sound") << QString() << true << false << u"stopped"_s;
    }
    void waveStep() {
        QFETCH(QString, file);
        QFETCH(bool, sound);
        QFETCH(bool, loop);
        QFETCH(QString, played);
        const QString label = file.isEmpty() ? u"**********************************"_s : u"x.wav"_s;
        KeyRig rig;
        rig.state.flags.playSounds = sound;
        rig.state.flags.loopSounds = loop;
        rig.state.tables.keySounds[23] = file;
        rig.keys.onCharacterTyped('x');
        QVERIFY(rig.wave.log.isEmpty()); // nothing before the half second is up
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.wave.log.last(), played);
        QCOMPARE(rig.view.soundName(), label);
        QVERIFY(rig.keys.currentFileName().isEmpty());
    }

    void functionKeyWithoutPiece() {
        KeyRig rig;
        rig.keys.keyDown(Qt::Key_F4);
        QCOMPARE(rig.view.soundName(), u"********************************"_s);
        QVERIFY(rig.mci.commands.isEmpty());
        // The action stays under way: arrows wait for the next character key.
        QVERIFY(rig.keys.keyDown(Qt::Key_Down));
        QVERIFY(rig.keys.currentFileName().isEmpty());
        rig.keys.onCharacterTyped('?');
        QVERIFY(!rig.keys.isBusy());
    }

    void buttonStatesWhileAPiecePlays() {
        KeyRig rig;
        rig.state.tables.midiPieces[19] = u"/mid/dance.mid"_s;
        rig.view.setButtonEnabled(ScreenButton::UnassignedKey, 12, false);
        rig.keys.onFunctionKeyClicked(9);
        QVERIFY(rig.view.midiButtons(false) && rig.view.dancing);
        QVERIFY(rig.view.isButtonEnabled(ScreenButton::UnassignedKey, 12));
        QCOMPARE(rig.view.shown.size(), 1); // the dance picture
        QCOMPARE(rig.mci.commands.mid(rig.mci.commands.size() - 3, 1),
                 QStringList(u"open /mid/dance.mid"_s));
        rig.keys.onStopPieceClicked();
        QVERIFY(rig.view.midiButtons(true) && !rig.view.dancing && rig.mci.openPath.isEmpty());
        QCOMPARE(rig.view.soundName(), QString());
    }

    void pathWithBlankPlays() {
        DeviceRig d;
        d.rig.state.tables.midiPieces[12] = d.midiFile(u"my songs/happy song: intro?.mid"_s);
        d.rig.keys.keyDown(Qt::Key_F3);
        QVERIFY(d.playing);
        QVERIFY(d.rig.view.midiButtons(false));
        QCOMPARE(d.rig.view.soundName(), u"happy song: intro?.mid"_s);
    }

    void messages_data() {
        QTest::addColumn<Mishap>("mishap");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("badPath"); // a warning titled "Message"
        const auto row = [](const char *name, const QString &text, Mishap mishap) {
            QTest::newRow(name) << mishap << text << text.startsWith(u"不正"_s);
        };
        row("bad WAVE path", u"不正なパス名です。"_s, [](KeyRig &r) {
            r.state.tables.keySounds[0] = u"/snd/"_s;
            r.keys.onLetterClicked(0);
        });
        row("special key empty", u"ＭＩＤＩファイルが登録されていません"_s,
            [](KeyRig &r) { r.keys.onSpecialKeyClicked(4); });
        row("opening piece empty", u"オープニングＭＩＤＩファイルは登録されていません"_s,
            [](KeyRig &r) { r.keys.startOpening(); });
        row("piece missing", u"MIDI名又はパス名が違います"_s, [](KeyRig &r) {
            r.state.tables.midiPieces[19] = r.folder.file(u"gone.mid"_s);
            r.keys.onFunctionKeyClicked(9);
        });
        row("opening piece broken", u"オープニングMIDI名又はパス名が違います"_s, [](KeyRig &r) {
            r.state.tables.midiPieces[0] = r.folder.write(u"broken.mid"_s, "not a MIDI file");
            r.keys.startOpening();
        });
        row("opening piece path bad", u"不正なパス名です。"_s, [](KeyRig &r) {
            r.state.tables.midiPieces[0] = u"/mid/"_s;
            r.keys.startOpening();
        });
        row("picture broken", u"BMP名又はパス名が違います"_s, [](KeyRig &r) {
            r.state.tables.keyPictures[2] = r.folder.write(u"b.bmp"_s, "BM garbage");
            r.keys.onLetterClicked(2);
        });
        row("opening picture missing", u"オープニングBMP名又はパス名が違います"_s, [](KeyRig &r) {
            r.state.flags.playOpeningPiece = false;
            r.state.tables.keyPictures[OpeningPictureSlot] = r.folder.file(u"x.bmp"_s);
            r.keys.startOpening();
        });
    }
    void messages() {
        QFETCH(Mishap, mishap);
        QFETCH(QString, text);
        QFETCH(bool, badPath);
        DeviceRig d;
        KeyRig &rig = d.rig;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.state.flags.playOpeningPiece = true;
        mishap(rig);
        if (rig.keys.isSoundDelayActive())
            rig.keys.onSoundDelayElapsed();

        QCOMPARE(rig.dialogs.calls().size(), 1);
        const MessageBoxRequest &box = rig.dialogs.calls().first().message;
        QCOMPARE(box.text, text);
        QCOMPARE(box.title, badPath ? u"Message"_s : QString());
        QCOMPARE(box.icon, badPath ? MessageIcon::Exclamation : MessageIcon::None);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        // Whatever went wrong, nothing is left half playing and the opening is over.
        QVERIFY(!d.playing && !rig.view.dancing && !rig.keys.isOpeningActive());
        QVERIFY(rig.view.midiButtons(true));
        // The next key is a plain WAVE sound again.
        rig.state.flags.playSounds = true;
        rig.state.tables.keySounds[1] = u"/snd/b.wav"_s;
        rig.keys.onCharacterTyped('b');
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.wave.log.filter(u"played"_s), QStringList(u"played /snd/b.wav once"_s));
        QVERIFY(!d.playing);
    }

    void openingWithBuiltinPicture() {
        KeyRig rig;
        rig.state.tables.midiPieces[OpeningMidiSlot] = u"/mid/opening.mid"_s;
        rig.keys.startStartupDelay();
        QTRY_COMPARE_WITH_TIMEOUT(rig.view.splashUnloads, 1, 2000); // the start-up delay is 50 ms
        QVERIFY(rig.view.midiButtons(true));
        QCOMPARE(rig.keys.picturePath(), rig.folder.path() + u"/OPEN.BMP"_s);
        const QImage shown = rig.view.shown.value(0).image;
        QCOMPARE(shown, openingPicture().scaled(shown.size(), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation));
        QCOMPARE(rig.dialogs.pointerChanges(),
                 QList({MousePointer::ArrowHourglass, MousePointer::Normal}));
        // With OPENFlag off the half-second tick only ends the opening.
        QVERIFY(rig.keys.isOpeningActive());
        rig.keys.onSoundDelayElapsed();
        QVERIFY(!rig.keys.isOpeningActive() && rig.mci.openPath.isEmpty());
    }
};

PIKORO_TEST_CLASS(KeyActionsTest)
#include "tst_keyactions.moc"
