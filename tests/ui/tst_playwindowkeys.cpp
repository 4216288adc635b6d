#include "ManualAudioOutput.h"
#include "MemoryUserStore.h"
#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "SilentSequencer.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/AppState.h"
#include "media/MediaServices.h"
#include "play/KeyActions.h"
#include "ui/HelpViewer.h"
#include "ui/MainWindow.h"
#include "ui/ThreeDControls.h"

#include <QTest>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// The real play window over the real sequencer device, shown and active, at 800 × 600.
struct WindowRig {
    WindowRig() {
        state.tables.midiPieces[10] = folder.write(u"f1.mid"_s, TinyMidi);
        window.layoutMainScreen({800, 600});
        window.show();
        window.activateWindow();
    }
    bool midiButtonsBack() const {
        return !window.m_stopPieceButton->isEnabled() &&
               window.m_functionKeyButtons[0]->isEnabled() && window.m_openingButton->isEnabled();
    }

    TempFolder folder;
    AppState state;
    ScriptedDialogs dialogs;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingSpeech speech;
    bool playing = false;
    SilentSequencer *sequencer = new SilentSequencer(&playing); // owned by the device
    SequencerMciDevice device{std::unique_ptr<MidiSequencer>(sequencer)};
    MediaServices media{audio, wave, device, speech};
    MemoryUserStore store;
    RecordingHelpViewer help;
    MainWindow window{state, dialogs, media, store, help};
};

} // namespace

// Keys typed on the real play window while F1's piece plays.
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
    }
    void everyCharacterStopsThePiece() {
        QFETCH(int, key);
        WindowRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTest::keyClick(&rig.window, Qt::Key_F1);
        QVERIFY(rig.playing && rig.window.m_stopPieceButton->isEnabled());
        QTest::keyClick(&rig.window, Qt::Key(key));
        QVERIFY(!rig.playing);
        QVERIFY(rig.midiButtonsBack());
        // Only stopped: Return reaches its key only by a click, Tab moves no focus.
        QVERIFY(!rig.window.keyActions().isSoundDelayActive());
        QVERIFY(!rig.window.m_letterButtons[27]->hasFocus());
    }

    void pieceEndingByItselfGivesTheButtonsBack() {
        WindowRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTest::keyClick(&rig.window, Qt::Key_F1);
        QVERIFY(rig.playing && !rig.window.m_functionKeyButtons[0]->isEnabled());
        rig.sequencer->endFromAudioThread();
        QVERIFY(QTest::qWaitFor([&] { return rig.midiButtonsBack(); }, 2000));
        // F1 plays again.
        QTest::keyClick(&rig.window, Qt::Key_F1);
        QVERIFY(rig.playing && rig.window.m_stopPieceButton->isEnabled());
        QVERIFY(rig.device.isOpen());
    }
};

PIKORO_TEST_CLASS(PlayWindowKeysTest)
#include "tst_playwindowkeys.moc"
