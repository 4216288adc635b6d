#include "TestRunner.h"
#include "WindowServices.h"

#include "core/KeySlots.h"
#include "play/BuiltinPictures.h"
#include "play/DanceAnimation.h"
#include "play/KeyActions.h"
#include "play/MascotAnimation.h"
#include "play/PlayController.h"
#include "ui/InstructionsWindow.h"
#include "ui/ThreeDControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

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
    // Loudest sample of the next tenth of a second of the mix.
    float loudness() {
        float peak = 0;
        for (float sample : audio.render(4800))
            peak = std::max(peak, std::abs(sample));
        return peak;
    }
    void send(QEvent::Type type, int key, const QString &text = {},
              Qt::KeyboardModifiers modifiers = {}, quint32 keysym = 0, bool repeat = false) {
        QKeyEvent event(type, key, modifiers, 0, keysym, 0, text, repeat);
        QApplication::sendEvent(&window, &event);
    }
    // A character (below 0x100) or a Qt key, clicked on the window.
    void click(int key) {
        if (key < 0x100)
            QTest::keyClick(&window, char(key));
        else
            QTest::keyClick(&window, Qt::Key(key));
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
        row("left", {Qt::Key_Left}, -1, u"k31.wav"_s);
        row("F1", {Qt::Key_F1}, -1, u"m10.mid"_s, u"m10.mid"_s);
        row("F10", {Qt::Key_F10}, -1, u"m19.mid"_s, u"m19.mid"_s);
        row("F11 is left to its button", {Qt::Key_F11}, -1, {});
        row("return only stops", {Qt::Key_Return}, -1, {});
        row("down while busy", {'a', Qt::Key_Down}, 0, u"k0.wav"_s);
        row("F3 while a piece plays", {Qt::Key_F1, Qt::Key_F3}, -1, u"m10.mid"_s, u"m10.mid"_s);
        row("Esc stops the piece", {Qt::Key_F1, Qt::Key_Escape}, -1, {});
        row("Tab stops the piece", {Qt::Key_F1, Qt::Key_Tab}, -1, {});
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
            rig.click(key);
        KeyActions &actions = w.play().keyActions();
        if (actions.isSoundDelayActive())
            actions.onSoundDelayElapsed();
        QWidget *focused = focus < 0     ? focusBefore
                           : focus < 100 ? w.m_letterButtons[focus]
                                         : w.m_digitButtons[focus - 100];
        QCOMPARE(w.focusWidget(), focused);
        QCOMPARE(w.m_statusLine->text(), status);
        QCOMPARE(rig.midi.playing ? rig.midi.openPath : QString(), piece);
        // The stop button, the MIDI keys and the dance follow the piece.
        QCOMPARE(w.m_stopPieceButton->isEnabled(), !piece.isEmpty());
        QCOMPARE(w.m_functionKeyButtons[0]->isEnabled(), piece.isEmpty());
        QCOMPARE(w.m_sprites[0]->isVisible(), piece == u"m19.mid"_s);
    }

    // A single press shows its picture and arms the sound step on a precise half-second timer;
    // a second press within it sounds at once and cuts the first. Without the option the second
    // press restarts the wait, as before.
    void quickKeysSoundAtOnce_data() {
        QTest::addColumn<bool>("answerEveryKey");
        QTest::newRow("option on") << true;
        QTest::newRow("option off") << false;
    }
    void quickKeysSoundAtOnce() {
        QFETCH(bool, answerEveryKey);
        PlayRig rig(answerEveryKey);
        MainWindow &w = rig.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QTimer &delay = w.play().keyActions().soundDelayTimer();
        QTest::keyClick(&w, Qt::Key_A);
        QCOMPARE(rig.shownColour(), QColor(Qt::red));
        QVERIFY(rig.wave.log.isEmpty());
        QCOMPARE(delay.timerType(), Qt::PreciseTimer);
        QVERIFY2(delay.isActive() && delay.remainingTime() > 300 && delay.remainingTime() <= 500,
                 qPrintable(QString::number(delay.remainingTime())));

        QTest::keyClick(&w, Qt::Key_B);
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));
        const QStringList quick{u"stopped"_s, u"played k1.wav once"_s};
        QCOMPARE(rig.wave.log, answerEveryKey ? quick : QStringList());
        QCOMPARE(delay.isActive(), !answerEveryKey);
        // Arrows answer too while a sound step is pending: only the old rule blocks them.
        QTest::keyClick(&w, Qt::Key_Up);
        QCOMPARE(w.m_letterButtons[UpSlot]->hasFocus(), answerEveryKey);
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
        QVERIFY(rig.missShown() && rig.loudness() > 0.1f && !rig.midi.playing);
        rig.state.tables.midiPieces[1].clear();
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(rig.missShown() && rig.dialogs.messageTexts().isEmpty());
    }

    // The memory, the miss key, the mascot and the dance, driven as the child and the adult do.
    // The memory full and nothing stored: a line on the status line, never a box.
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
        QCOMPARE(w.m_memoryCountPanel->caption(), u"2"_s);
        QTest::mouseClick(w.m_memoryPlaybackButton, Qt::LeftButton);
        QCOMPARE(rig.shownColour(), QColor(Qt::red));
        QVERIFY(paced(w.play().keyMemory().playbackTimer(), 1000, true)); // a key a second
        QCOMPARE(rig.wave.log.last(), u"played k0.wav once"_s);           // not looped
        w.play().keyMemory().onPlaybackTick();
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));

        // A miss key shows the miss picture, ending the playback at its next tick; B shows its own.
        QTest::mouseClick(w.m_unassignedKeyButtons[0], Qt::LeftButton);
        w.play().keyMemory().onPlaybackTick();
        QVERIFY(rig.missShown() && !w.play().keyMemory().isPlaying());
        for (int i = 0; i < KeyMemory::Capacity - 1; ++i)
            QTest::keyClick(&w, Qt::Key_B);
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));
        w.play().keyActions().onSoundDelayElapsed();
        QCOMPARE(w.m_statusLine->text(), memoryFullMessage());
        QCOMPARE(w.m_memoryCountPanel->caption(), u"10"_s);
        QVERIFY(rig.dialogs.messageTexts().isEmpty());

        // The mascot blinks; a double-click asks for the automatic mode, Shift + click shows
        // the instructions without their box.
        QVERIFY(paced(w.play().mascot().frameTimer(), 1000, false)); // a blink step a second
        const qint64 frame = w.m_mascot->pixmap().cacheKey();
        w.play().mascot().onFrameTick();
        QVERIFY(w.m_mascot->pixmap().cacheKey() != frame);
        rig.dialogs.answerButton(DialogButton::Yes);
        QTest::mouseDClick(w.m_mascot, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{autoPressQuestion()});
        QVERIFY(paced(w.play().autoPress().pressTimer(), 2500, false));
        bool boxHidden = false;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<InstructionsWindow *>(QApplication::activeModalWidget());
            boxHidden = shown && !shown->m_dontShowAgainCheck->isVisible();
            if (shown)
                shown->close();
        });
        QTest::mouseClick(w.m_mascot, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(boxHidden);

        // F10 dances: each step moves the sprites; a key ends it.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F10);
        QVERIFY(paced(w.play().dance().stepTimer(), 150, false));
        QVERIFY(paced(w.play().dance().directionTimer(), 3000, false));
        const QRect before = w.m_sprites[0]->geometry();
        for (int i = 0; i < 3; ++i)
            w.play().dance().onStepTick();
        QVERIFY(w.m_sprites[0]->geometry() != before);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.m_sprites[0]->isVisible() && !w.play().dance().isRunning());
    }

    // A start-up data file that cannot be opened leaves the tables empty and says so in the
    // status line through the opening, until the first key is played.
    void startupDataNoteOnStatusLine() {
        PlayRig rig;
        MainWindow &w = rig.window;
        rig.state.tables = {};
        rig.folder.write(u"PIKORO.ini"_s, "[Pikoro]\r\nStartupData=./gone.pik\r\n");
        w.loadAndShow();
        const QString note = w.m_statusLine->text();
        QVERIFY(note.contains(u"gone.pik"_s));
        QCOMPARE(rig.state.tables, AssignmentTables{});
        w.play().keyActions().onStartupDelayElapsed(); // the opening starts
        QCOMPARE(w.m_statusLine->text(), note);
        QTest::mouseClick(w.m_letterButtons[0], Qt::LeftButton);
        QCOMPARE_NE(w.m_statusLine->text(), note);
    }

    // Where a picture lets light through (an icon, a metafile), the window shows white, as
    // with no picture, never the picture shown before it.
    void seeThroughPicturesShowWhite() {
        PlayRig rig;
        MainWindow &w = rig.window;
        rig.state.tables.keyPictures[1] = rig.picture(u"b.png"_s, Qt::transparent);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QPoint middle = w.m_pictureArea->geometry().center();
        const auto onScreen = [&] {
            return w.screen()
                ->grabWindow(w.winId(), middle.x(), middle.y(), 1, 1)
                .toImage()
                .pixelColor(0, 0);
        };
        QTest::keyClick(&w, Qt::Key_A);
        QTRY_COMPARE(onScreen(), QColor(Qt::red));
        QTest::keyClick(&w, Qt::Key_B);
        QTRY_COMPARE(onScreen(), QColor(Qt::white));
    }
};

PIKORO_TEST_CLASS(PlayWindowKeysTest)
#include "tst_playwindowkeys.moc"
