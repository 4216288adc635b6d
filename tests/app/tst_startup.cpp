#include "ManualAudioOutput.h"
#include "MemoryUserStore.h"
#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "media/MediaServices.h"
#include "play/KeyActions.h"
#include "play/PlayController.h"
#include "ui/HelpViewer.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SettingsWindow.h"
#include "ui/SplashWindow.h"
#include "ui/ThreeDControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

namespace {
// Another copy runs or not as the test says, or starts in the same moment and takes the name
// first (listen() fails though no copy was seen); every request is counted.
struct ScriptedSingleInstance : SingleInstance {
    bool anotherIsRunning() override { return otherRunning; }
    bool listen() override { return !otherRunning && !loseRace; }
    void askRunningToActivate() override { ++activationsAsked; }
    bool otherRunning = false, loseRace = false;
    int activationsAsked = 0;
};

struct StartupRig {
    AppState state;
    ScriptedDialogs dialogs;
    MemoryUserStore store;
    ScriptedSingleInstance instance;
    int devices = 1;
    QStringList steps;

    std::unique_ptr<Startup> make() {
        return std::make_unique<Startup>(Startup::Services{
            state, dialogs, store, instance, [this] { return devices; },
            [this] { steps << u"instructions"_s; }, [this] { steps << u"main window"_s; }});
    }
};

// The play window with its services over a temporary application folder.
struct MediaRig {
    MediaRig() { state.applicationFolder = folder.path(); }
    TempFolder folder;
    AppState state;
    ScriptedDialogs dialogs;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMidiDevice midi;
    RecordingSpeech speech;
    MediaServices media{audio, wave, midi, speech};
    MemoryUserStore store;
    HelpWindowViewer help;
    MainWindow window{state, dialogs, media, store, help};
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    // Without a sound device start-up says so and goes on to the load, which follows as soon as
    // the event loop runs.
    void soundCardCheck() {
        StartupRig rig;
        rig.devices = 0;
        rig.dialogs.answerButton(DialogButton::Ok);
        auto startup = rig.make();
        QVERIFY(startup->splashLoad({800, 600}, 1.0));
        QCOMPARE(rig.dialogs.messageTexts(),
                 QStringList{u"サウンドカードのチェック：WAV を再生できません"_s});
        QVERIFY(startup->splashTimer().isActive() && startup->splashTimer().interval() == 0);
    }

    // Another copy, seen at the check or taking the name in the same moment, is asked to come
    // forward; this one says so and ends.
    void secondCopyHandsOverAndEnds() {
        for (bool seenAtCheck : {true, false}) {
            StartupRig rig;
            rig.instance.otherRunning = seenAtCheck;
            rig.instance.loseRace = true;
            rig.dialogs.answerButton(DialogButton::Ok);
            auto startup = rig.make();
            QVERIFY(!startup->splashLoad({800, 600}, 1.0));
            QCOMPARE(rig.dialogs.messageTexts(), QStringList{u"ピコロはすでに起動しています"_s});
            QCOMPARE(rig.instance.activationsAsked, 1);
        }
    }

    // Under a window manager a window beneath the splash, which keeps itself on top, is
    // invisible. Sound-card message, instructions and load error each look at the splash.
    void startupWindowsComeOverTheSplash() {
        StartupRig rig;
        QtDialogs dialogs;
        QDialog instructions;
        std::unique_ptr<Startup> startup;
        QList<bool> overSplash;
        std::function<void()> lookThenClose = [&] {
            QTimer::singleShot(1, [&] {
                auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                if (!modal || !modal->isVisible())
                    return lookThenClose(); // not open yet
                const SplashWindow *splash = startup->splash();
                overSplash << (splash->isVisible() &&
                               !(splash->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
                modal->done(0);
            });
        };
        startup = std::make_unique<Startup>(
            Startup::Services{rig.state, dialogs, rig.store, rig.instance, [] { return 0; },
                              [&] { lookThenClose(), instructions.exec(); },
                              [&] { lookThenClose(), dialogs.messageBox(u"x"_s); }});
        lookThenClose();
        QVERIFY(startup->splashLoad({800, 600}, 1.0));
        startup->splashTimerTick();
        QCOMPARE(overSplash, QList<bool>(3, true));
    }

    // Switched off, they still come while no user name is stored: they register it.
    void instructionsUnlessSwitchedOff_data() {
        QTest::addColumn<QString>("msg"); // empty: no value stored
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("shown");
        QTest::newRow("never switched off") << QString() << true << true;
        QTest::newRow("1") << u"1"_s << true << false;
        QTest::newRow("1, no user name") << u"1"_s << false << true;
    }
    void instructionsUnlessSwitchedOff() {
        QFETCH(QString, msg);
        QFETCH(bool, named);
        QFETCH(bool, shown);
        StartupRig rig;
        if (!msg.isEmpty())
            rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"MSG"_s, msg);
        if (named)
            rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"mama"_s);
        auto startup = rig.make();
        startup->splashTimerTick();
        startup->splashTimerTick(); // shown at most once a run
        const QStringList loads(2, u"main window"_s);
        QCOMPARE(rig.steps, shown ? QStringList{u"instructions"_s} + loads : loads);
    }
};

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void loadOrder() {
        MediaRig rig;
        rig.folder.write(u"PIKORO.ini"_s, "[MIDIFile]\r\nMIDIOp 4=shift.mid\r\n"_ba);
        AssignmentTables &tables = rig.state.tables;
        tables.keySounds[0] = tables.digitSounds[3] = tables.midiPieces[9] = u"old"_s;
        tables.keyPictures[2] = u"kept.bmp"_s;

        bool splashGone = false;
        QObject::connect(&rig.window.play(), &PlayController::openingStarting,
                         [&] { splashGone = true; });

        rig.window.loadAndShow();
        AssignmentTables expected; // sounds and pieces emptied first, pictures not
        expected.midiPieces[4] = u"shift.mid"_s;
        expected.keyPictures[2] = u"kept.bmp"_s;
        QCOMPARE(tables, expected);
        QVERIFY(rig.dialogs.calls().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(splashGone, 2000); // the opening follows the load
    }

    // A PIKORO.ini that cannot be read is reported; the window shows and refuses to close.
    void closeIsRefused() {
        MediaRig rig;
        QDir(rig.folder.path()).mkdir(u"PIKORO.ini"_s);
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.window.loadAndShow();
        QCOMPARE(rig.dialogs.messageTexts().size(), 1);
        QCOMPARE(rig.dialogs.messageTexts()[0].section(u'\n', 0, 0),
                 u"Load中にエラーが発生しました"_s);
        rig.wave.log.clear();
        QVERIFY(!rig.window.close());
        QCOMPARE(rig.wave.log, QStringList{u"stopped"_s});

        rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"まま"_s);
        rig.dialogs.answerCancel();
        QTest::mouseClick(&rig.window, Qt::RightButton, Qt::ControlModifier, QPoint(20, 20));
        QCOMPARE(rig.dialogs.calls().size(), 2);
    }

    // An adult types a picture and a WAVE for key A in the settings and presses OK; the child
    // then presses "a".
    void settingsReachTheKeys() {
        MediaRig rig;
        QImage red(40, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QString picture = rig.folder.file(u"a.bmp"_s);
        QVERIFY(red.save(picture));
        const QString sound = rig.folder.write(u"a.wav"_s, "RIFF");
        rig.window.loadAndShow();
        // The start-up opening runs first and ends half a second later.
        rig.window.play().keyActions().onStartupDelayElapsed();
        rig.window.play().keyActions().onSoundDelayElapsed();
        SettingsWindow *settings = &rig.window.settingsWindow();

        settings->loadFromSettings();
        settings->gridClicked(ListKind::Picture, 10); // A
        settings->m_fileBoxes[0]->setText(picture);
        settings->gridClicked(ListKind::Wave, 10);
        settings->m_fileBoxes[1]->setText(sound);
        settings->m_optionChecks[0]->click(); // play WAVE files
        QComboBox *zoomBox = settings->m_keyboardZoomBox;
        zoomBox->setCurrentIndex(zoomBox->findData(1.25));
        emit zoomBox->activated(zoomBox->currentIndex()); // as the adult's choice
        settings->okClicked();
        QCOMPARE(rig.window.zoom(), 1.25); // the keyboard's size, not the settings window's

        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTest::keyClick(&rig.window, Qt::Key_A, Qt::NoModifier);
        QCOMPARE(rig.window.m_pictureArea->picture().pixelColor(5, 5), QColor(Qt::red));
        rig.window.play().keyActions().onSoundDelayElapsed(); // half a second later
        QCOMPARE(rig.wave.log.last(), u"played %1 once"_s.arg(sound));
        QCOMPARE(rig.window.m_statusLine->text(), u"a.wav"_s);
    }
};

PIKORO_TEST_CLASS(StartupTest)
PIKORO_TEST_CLASS(MainWindowTest)
#include "tst_startup.moc"
