#include "SilentSequencer.h"
#include "TestRunner.h"
#include "WindowServices.h"

#include "play/BuiltinPictures.h"
#include "play/KeyActions.h"
#include "play/MascotAnimation.h"
#include "ui/InstructionsWindow.h"
#include "ui/ThreeDControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// The real play window over the real sequencer device, shown and active, at 800 × 600.
struct WindowRig : WindowServices<> {
    WindowRig() {
        state.tables.midiPieces[10] = folder.write(u"f1.mid"_s, TinyMidi);
        window.layoutMainScreen({800, 600});
        window.show();
        window.activateWindow();
    }
    QColor shownColour() const { return window.m_pictureArea->picture().pixelColor(4, 4); }

    bool playing = false;
    SilentSequencer *sequencer = new SilentSequencer(&playing); // owned by the device
    SequencerMciDevice device{std::unique_ptr<MidiSequencer>(sequencer)};
    MediaServices deviceMedia{audio, wave, device, speech};
    MainWindow window{state, dialogs, deviceMedia, users, help};
};

} // namespace

// Keys typed and buttons clicked on the real play window.
class PlayWindowKeysTest : public QObject {
    Q_OBJECT
private slots:
    void everyCharacterStopsThePiece_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("!") << int(Qt::Key_Exclam);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Backspace") << int(Qt::Key_Backspace);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("the piece ends by itself") << 0;
    }
    void everyCharacterStopsThePiece() {
        QFETCH(int, key);
        WindowRig rig;
        MainWindow &w = rig.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(rig.playing && w.m_stopPieceButton->isEnabled());
        if (key) {
            QTest::keyClick(&w, Qt::Key(key));
            QVERIFY(!rig.playing);
        } else {
            rig.sequencer->endFromAudioThread();
        }
        QTRY_VERIFY(!w.m_stopPieceButton->isEnabled() && w.m_functionKeyButtons[0]->isEnabled() &&
                    w.m_openingButton->isEnabled());
        // Only stopped: Return reaches its key only by a click, Tab moves no focus.
        QVERIFY(!w.keyActions().isSoundDelayActive() && !w.m_letterButtons[27]->hasFocus());
        QTest::keyClick(&w, Qt::Key_F1); // and F1 plays again
        QVERIFY(rig.playing && w.m_stopPieceButton->isEnabled());
    }

    // The memory, the miss key, the mascot and the dance, driven as the child and the adult do.
    void playFeaturesOnTheRealWindow() {
        WindowRig rig;
        MainWindow &w = rig.window;
        rig.state.flags.playSounds = rig.state.flags.loopSounds = true;
        rig.state.tables.keyPictures[0] = rig.picture(u"a.bmp"_s, Qt::red);
        rig.state.tables.keySounds[0] = rig.folder.file(u"a.wav"_s);
        rig.state.tables.keyPictures[1] = rig.picture(u"b.bmp"_s, Qt::blue);
        rig.state.tables.midiPieces[19] = rig.state.tables.midiPieces[10];
        QVERIFY(QTest::qWaitForWindowActive(&w));

        QTest::mouseClick(w.m_memorySwitch, Qt::LeftButton);
        QTest::keyClicks(&w, u"ab"_s);
        QCOMPARE(w.m_memoryCountPanel->caption(), u"2"_s);
        QTest::mouseClick(w.m_memoryPlaybackButton, Qt::LeftButton);
        QCOMPARE(rig.shownColour(), QColor(Qt::red));
        QVERIFY(rig.wave.log.contains(u"played %1 once"_s.arg(rig.state.tables.keySounds[0])));
        w.keyMemory().onPlaybackTick();
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));

        // A miss key shows the miss picture, ending the playback at its next tick; B shows its own.
        QTest::mouseClick(w.m_unassignedKeyButtons[0], Qt::LeftButton);
        w.keyMemory().onPlaybackTick();
        const QImage miss = w.m_pictureArea->picture();
        QCOMPARE(qRound(100.0 * miss.width() / miss.height()),
                 qRound(100.0 * MissPicturePixels.width() / MissPicturePixels.height()));
        QVERIFY(!w.keyMemory().isPlaying());
        QTest::keyClick(&w, Qt::Key_B);
        QCOMPARE(rig.shownColour(), QColor(Qt::blue));
        QCOMPARE(w.m_memoryCountPanel->caption(), u"3"_s);

        // The mascot blinks; a double-click asks for the automatic mode, Shift + click shows
        // the instructions without their box.
        const qint64 frame = w.m_mascot->pixmap().cacheKey();
        w.mascotAnimation().onFrameTick();
        QVERIFY(w.m_mascot->pixmap().cacheKey() != frame);
        rig.dialogs.answerButton(DialogButton::Yes);
        QTest::mouseDClick(w.m_mascot, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{autoPressQuestion()});
        QVERIFY(w.autoPress().isRunning());
        bool boxHidden = false;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<InstructionsWindow *>(QApplication::activeModalWidget());
            boxHidden = shown && !shown->m_dontShowAgainCheck->isVisible();
            if (shown)
                shown->close();
        });
        QTest::mouseClick(w.m_mascot, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(boxHidden);

        // F10 dances once B's sound step is over: each step moves the sprites; a key ends it.
        w.keyActions().onSoundDelayElapsed();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F10);
        QVERIFY(w.m_sprites[0]->isVisible() && w.dance().isRunning());
        const QRect before = w.m_sprites[0]->geometry();
        for (int i = 0; i < 3; ++i)
            w.dance().onStepTick();
        QVERIFY(w.m_sprites[0]->geometry() != before);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.m_sprites[0]->isVisible() && !w.dance().isRunning());
    }

    // A start-up data file that cannot be opened leaves the tables empty and says so in the
    // status line through the opening, until the first key is played.
    void startupDataNoteOnStatusLine() {
        WindowRig rig;
        MainWindow &w = rig.window;
        rig.folder.write(u"PIKORO.ini"_s, "[Pikoro]\r\nStartupData=./gone.pik\r\n");
        w.formLoad();
        const QString note = w.m_statusLine->text();
        QVERIFY(note.contains(u"gone.pik"_s));
        QCOMPARE(rig.state.tables, AssignmentTables{});
        w.keyActions().onStartupDelayElapsed(); // the opening starts
        QCOMPARE(w.m_statusLine->text(), note);
        QTest::mouseClick(w.m_letterButtons[0], Qt::LeftButton);
        QCOMPARE_NE(w.m_statusLine->text(), note);
    }

    // Where a picture lets light through (an icon, a metafile), the window shows white, as
    // with no picture, never the picture shown before it.
    void seeThroughPicturesShowWhite() {
        WindowRig rig;
        MainWindow &w = rig.window;
        rig.state.tables.keyPictures[0] = rig.picture(u"a.bmp"_s, Qt::red);
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
