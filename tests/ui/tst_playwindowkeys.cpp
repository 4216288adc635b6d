#include "TestRunner.h"
#include "WindowServices.h"

#include "core/KeySlots.h"
#include "play/BuiltinPictures.h"
#include "play/DanceAnimation.h"
#include "play/KeyActions.h"
#include "play/MascotAnimation.h"
#include "play/PlayController.h"
#include "ui/ThreeDControls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// The play window over recording media with sounds on, shown and active at 800 × 600: keys A
// and B with a red and a blue picture, every key slot n a sound "k<n>.wav", digit n "d<n>.wav",
// every MIDI slot n a piece "m<n>.mid".
struct PlayRig : WindowServices<> {
    explicit PlayRig(bool answerEveryKey = false) {
        state.flags.playSounds = true;
        state.flags.answerEveryKey = answerEveryKey;
        state.tables.keyPictures[0] = picture(u"a.bmp"_s, Qt::red);
        state.tables.keyPictures[1] = picture(u"b.bmp"_s, Qt::blue);
        for (int slot = 0; slot < KeySoundCount; ++slot)
            state.tables.keySounds[slot] = u"k%1.wav"_s.arg(slot);
        for (int digit = 0; digit < DigitCount; ++digit)
            state.tables.digitSounds[digit] = u"d%1.wav"_s.arg(digit);
        for (int slot = 0; slot < MidiSlotCount; ++slot)
            state.tables.midiPieces[slot] = u"m%1.mid"_s.arg(slot);
        window.layoutMainScreen({800, 600});
        window.show();
        window.activateWindow();
    }
    QColor shownColour() const { return window.m_pictureArea->picture().pixelColor(4, 4); }
    bool missShown() const {
        const QImage shown = window.m_pictureArea->picture();
        return qRound(100.0 * shown.width() / shown.height()) ==
               qRound(100.0 * MissPicturePixels.width() / MissPicturePixels.height());
    }
    // Something heard in the next tenth of a second of the mix.
    bool heard() {
        return std::ranges::any_of(audio.render(4800), [](float s) { return std::abs(s) > 0.1f; });
    }
    void send(QEvent::Type type, int key, const QString &text = {},
              Qt::KeyboardModifiers modifiers = {}, quint32 keysym = 0, bool repeat = false) {
        QKeyEvent event(type, key, modifiers, 0, keysym, 0, text, repeat);
        QApplication::sendEvent(&window, &event);
    }

    MainWindow window{state, dialogs, media, users, help};
};

// The timer runs at `ms`, once or repeating: a test never waits for it.
bool paced(const QTimer &timer, int ms, bool once) {
    return timer.isActive() && timer.interval() == ms && timer.isSingleShot() == once;
}

} // namespace

// A child at the keyboard of the real play window.
class PlayWindowKeysTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // Keys clicked in turn (a character below 0x100, else a Qt key), the last key's sound step
    // run: the button then focused (letter n, 100 + digit n, -1: none), the status line and the
    // piece still playing.
    void keys_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("piece");
        const auto row = [](const char *name, QList<int> keys, int focus, const QString &status,
                            const QString &piece = {}) {
            QTest::newRow(name) << keys << focus << status << piece;
        };
        row("lower q", {'q'}, 16, u"k16.wav"_s);
        row("upper Q", {'Q'}, 16, u"k16.wav"_s);
        row("space", {' '}, SpaceSlot, u"k26.wav"_s);
        row("digit 9", {'9'}, 109, u"d9.wav"_s);
        row("down", {Qt::Key_Down}, -1, u"k28.wav"_s);
        row("F1", {Qt::Key_F1}, -1, u"m10.mid"_s, u"m10.mid"_s);
        row("F10", {Qt::Key_F10}, -1, u"m19.mid"_s, u"m19.mid"_s);
        row("F11 is left to its button", {Qt::Key_F11}, -1, {});
        row("return only stops", {Qt::Key_Return}, -1, {});
        row("down while busy", {'a', Qt::Key_Down}, 0, u"k0.wav"_s);
        row("F3 while a piece plays", {Qt::Key_F1, Qt::Key_F3}, -1, u"m10.mid"_s, u"m10.mid"_s);
        row("Esc stops the piece", {Qt::Key_F1, Qt::Key_Escape}, -1, {});
        row("Esc ends the dance", {Qt::Key_F10, Qt::Key_Escape}, -1, {});
        row("Tab stops the piece, moves no focus", {Qt::Key_F1, Qt::Key_Tab}, -1, {});
        row("Return stops the piece", {Qt::Key_F1, Qt::Key_Return}, -1, {});
        row("F1 again after a stop", {Qt::Key_F1, Qt::Key_Escape, Qt::Key_F1}, -1, u"m10.mid"_s,
            u"m10.mid"_s);
    }
    void keys() {
        QFETCH(QList<int>, keys);
        QFETCH(int, focus);
        QFETCH(QString, status);
        QFETCH(QString, piece);
        PlayRig rig;
        MainWindow &w = rig.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *focusBefore = w.focusWidget();
        for (int key : keys)
            key < 0x100 ? QTest::keyClick(&w, char(key)) : QTest::keyClick(&w, Qt::Key(key));
        KeyActions &actions = w.play().keyActions();
        if (const QTimer &delay = actions.soundDelayTimer(); delay.isActive()) {
            // The sound follows the picture half a second later, on a precise timer.
            QVERIFY2(delay.timerType() == Qt::PreciseTimer && delay.remainingTime() > 300 &&
                         delay.remainingTime() <= 500,
                     qPrintable(QString::number(delay.remainingTime())));
            actions.onSoundDelayElapsed();
        }
        QWidget *focused = focus < 0     ? focusBefore
                           : focus < 100 ? w.m_letterButtons[focus]
                                         : w.m_digitButtons[focus - 100];
        QCOMPARE(w.focusWidget(), focused);
        QCOMPARE(w.m_statusLine->text(), status);
        QCOMPARE(rig.midi.playing ? rig.midi.openPath : QString(), piece);
        // The stop button, the MIDI keys and the dance (a step 150 ms, a new direction every
        // 3 s) follow the piece.
        QCOMPARE(w.m_stopPieceButton->isEnabled(), !piece.isEmpty());
        QCOMPARE(w.m_functionKeyButtons[0]->isEnabled(), piece.isEmpty());
        const bool dancing = piece == u"m19.mid"_s;
        QCOMPARE(w.m_sprites[0]->isVisible(), dancing);
        QCOMPARE(paced(w.play().dance().stepTimer(), 150, false), dancing);
        QCOMPARE(paced(w.play().dance().directionTimer(), 3000, false), dancing);
    }

    // With every key answering, Shift or Ctrl held for a click, or for another key, is a
    // gesture: its release plays nothing. Alone, the right Shift plays the right SHIFT button's
    // piece once however long it is held; a key without a button misses with a sound, and so
    // does a MIDI key without a piece instead of raising a box.
    void gesturesStayGestures() {
        PlayRig rig(true);
        MainWindow &w = rig.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        rig.send(QEvent::KeyPress, Qt::Key_Control, {}, Qt::ControlModifier);
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        rig.send(QEvent::KeyRelease, Qt::Key_Control);
        rig.send(QEvent::KeyPress, Qt::Key_Shift, {}, Qt::ShiftModifier);
        rig.send(QEvent::KeyPress, Qt::Key_A, u"A"_s, Qt::ShiftModifier);
        rig.send(QEvent::KeyRelease, Qt::Key_Shift);
        QCOMPARE(rig.shownColour(), QColor(Qt::red));
        rig.send(QEvent::KeyPress, Qt::Key_Control, {}, Qt::ControlModifier);
        rig.send(QEvent::KeyPress, Qt::Key_B, u"\x02"_s, Qt::ControlModifier); // Ctrl + B is B
        rig.send(QEvent::KeyRelease, Qt::Key_Control);
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));
        QVERIFY(rig.midi.commands.filter(u"open"_s).isEmpty());

        rig.send(QEvent::KeyPress, Qt::Key_Shift, {}, Qt::ShiftModifier, 0xffe2);
        rig.send(QEvent::KeyPress, Qt::Key_Shift, {}, Qt::ShiftModifier, 0xffe2, true);
        rig.send(QEvent::KeyRelease, Qt::Key_Shift, {}, {}, 0xffe2);
        QCOMPARE(rig.midi.commands.filter(u"open"_s), QStringList{u"open m4.mid"_s});
        QTest::keyClick(&w, Qt::Key_Home);
        QVERIFY(rig.missShown() && rig.heard() && !rig.midi.playing);
        rig.state.tables.midiPieces[1].clear();
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(rig.missShown() && rig.dialogs.messageTexts().isEmpty());
    }

    // The memory and the mascot, driven as the child and the adult do. The memory full and
    // nothing stored: a line on the status line, never a box.
    void playFeatures() {
        PlayRig rig;
        MainWindow &w = rig.window;
        rig.state.flags.loopSounds = true;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_A); // a key stroke gives the playback button
        QTest::mouseClick(w.m_memoryPlaybackButton, Qt::LeftButton);
        QCOMPARE(w.m_statusLine->text(), memoryEmptyMessage());

        QTest::mouseClick(w.m_memorySwitch, Qt::LeftButton);
        QTest::keyClicks(&w, u"ab"_s);
        QTest::mouseClick(w.m_memoryPlaybackButton, Qt::LeftButton);
        QCOMPARE(rig.shownColour(), QColor(Qt::red));
        QVERIFY(paced(w.play().keyMemory().playbackTimer(), 1000, true)); // a key a second
        QCOMPARE(rig.wave.log.last(), u"played k0.wav once"_s);           // not looped
        for (int i = 0; i < KeyMemory::Capacity - 1; ++i)
            QTest::keyClick(&w, Qt::Key_B);
        w.play().keyActions().onSoundDelayElapsed();
        QCOMPARE(w.m_statusLine->text(), memoryFullMessage());
        QVERIFY(rig.dialogs.messageTexts().isEmpty());

        // The mascot blinks; a double-click asks for the automatic mode.
        QVERIFY(paced(w.play().mascot().frameTimer(), 1000, false)); // a blink step a second
        rig.dialogs.answerButton(DialogButton::Yes);
        QTest::mouseDClick(w.m_mascot, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{autoPressQuestion()});
        QVERIFY(paced(w.play().autoPress().pressTimer(), 2500, false));
    }

    // A start-up data file that cannot be opened is named on the status line through the
    // opening.
    void startupDataNoteOnStatusLine() {
        PlayRig rig;
        MainWindow &w = rig.window;
        rig.folder.write(u"PIKORO.ini"_s, "[Pikoro]\r\nStartupData=./gone.pik\r\n");
        w.loadAndShow();
        const QString note = w.m_statusLine->text();
        QVERIFY(note.contains(u"gone.pik"_s));
        w.play().keyActions().onStartupDelayElapsed(); // the opening starts
        QCOMPARE(w.m_statusLine->text(), note);
    }
};

PIKORO_TEST_CLASS(PlayWindowKeysTest)
#include "tst_playwindowkeys.moc"
