#include "ManualAudioOutput.h"
#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "SilentSequencer.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/AppState.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "media/PictureLoader.h"
#include "play/BuiltinPictures.h"
#include "play/KeyActions.h"
#include "play/MainScreenView.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <atomic>
#include <map>
#include <sys/stat.h>
#include <thread>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

// A main screen without widgets: remembers what the key actions asked of it.
class FakeMainScreen : public MainScreenView {
public:
    void setButtonEnabled(ScreenButton a, int i, bool on) override { enabled[{a, i}] = on; }
    void focusButton(ScreenButton, int) override {}
    void setStatusLine(const QString &caption) override { soundName = caption; }
    QSize pictureFrameSize() const override { return {8400, 6400}; }
    QRect pictureArea() const override { return area; }
    void showPicture(const QImage &i, const QRect &r) override { shown.append({i, area = r}); }
    void setMemoryCounter(const QString &) override {}
    void setMemoryPlaybackEnabled(bool) override {}
    void setMemorySwitchOn(bool) override {}
    void showMascotFrame(int) override {}
    QSize danceArea() const override { return area.size() / 15; }
    void showDanceScene(const DanceState &) override {}
    void hideDance() override {}

    // The opening button and the last special and function keys have the given state, the
    // stop button the other (not yet set: as the start-up leaves them).
    bool midiButtons(bool on) {
        return enabled.try_emplace({ScreenButton::Opening, 0}, true).first->second == on &&
               enabled.try_emplace({ScreenButton::SpecialKey, 8}, true).first->second == on &&
               enabled.try_emplace({ScreenButton::FunctionKey, 11}, true).first->second == on &&
               enabled.try_emplace({ScreenButton::StopPiece, 0}, false).first->second != on;
    }

    std::map<std::pair<ScreenButton, int>, bool> enabled;
    QString soundName;
    QRect area{150, 150, 8100, 6100};
    QList<std::pair<QImage, QRect>> shown;
    bool dancing = false;
};

// Everything the key actions work with, recorded, in a temporary application folder. MIDI goes to
// the real device over a silent sequencer; the picture cache counts its decodes.
struct KeyRig {
    KeyRig()
        : pictures(PictureCache::DefaultMaxBytes,
                   [this](const QString &path, const PictureSizeRule &size, QString *error) {
                       ++decodes;
                       beforeDecode(path);
                       PictureLoader loader;
                       loader.setSizeRule(size);
                       Picture picture = loader.read(path);
                       if (picture.isNull() && error)
                           *error = loader.errorString();
                       return picture;
                   }) {
        state.applicationFolder = folder.path();
        QObject::connect(&keys, &KeyActions::danceWanted, [this](bool on) { view.dancing = on; });
    }

    // Writes a BMP twice as wide as high and returns its path.
    QString bitmap(const QString &name) {
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = folder.write(name, {}); // with its folders
        image.save(path, "BMP");
        return path;
    }
    // A piece that opens, in MIDI slot `slot`.
    void piece(int slot) {
        state.tables.midiPieces[slot] = folder.write(u"%1.mid"_s.arg(slot), TinyMidi);
    }
    // A letter or digit typed, and its sound step run.
    void type(char key) {
        keys.onCharacterTyped(key);
        keys.onSoundDelayElapsed();
    }

    TempFolder folder;
    AppState state;
    FakeMainScreen view;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    bool playing = false;
    SilentSequencer *sequencer = new SilentSequencer(&playing); // owned by the device
    SequencerMidiDevice midi{std::unique_ptr<MidiSequencer>(sequencer)};
    RecordingSpeech speech;
    MediaServices media{audio, wave, midi, speech};
    ScriptedDialogs dialogs;
    std::atomic<int> decodes = 0; // the cache also decodes on its worker thread
    // Runs before each decode, maybe on the worker thread.
    std::function<void(const QString &path)> beforeDecode = [](const QString &) {};
    PictureCache pictures;
    KeyActions keys{state, view, media, dialogs, pictures};
};

// Makes one thing go wrong on the rig.
using Mishap = void (*)(KeyRig &);

} // namespace

Q_DECLARE_METATYPE(Mishap)

class KeyActionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // A letter speaks its caption in either case, an arrow its sign, a digit its number; only
    // the letters stop a piece.
    void kanaModeSpeaksTheCaption() {
        KeyRig rig;
        rig.piece(1);
        rig.state.kanaMode() = true;
        applyKeyCaptions(rig.state, true);
        rig.keys.onCharacterTyped('q');
        rig.keys.onCharacterTyped('A');
        rig.keys.onLetterClicked(DownSlot);
        QVERIFY(rig.view.shown.isEmpty() && !rig.keys.isSoundDelayActive() && !rig.keys.isBusy());
        rig.keys.onSpecialKeyClicked(0);
        rig.keys.onDigitClicked(7);
        QVERIFY(rig.playing && rig.keys.isBusy());
        QCOMPARE(rig.speech.spoken, QStringList({u"た"_s, u"ち"_s, u"↓"_s, u"7"_s}));
    }

    // The sound step half a second after a key: the last entry of the player's log.
    void waveStep_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QString>("played");
        const QString x = u"/snd/x.wav"_s;
        QTest::newRow("looped") << x << true << true << u"played /snd/x.wav looped"_s;
        QTest::newRow("sounds off") << x << false << false << u"stopped"_s;
        QTest::newRow("no sound") << QString() << true << false << u"stopped"_s;
    }
    void waveStep() {
        QFETCH(QString, file);
        QFETCH(bool, sound);
        QFETCH(bool, loop);
        QFETCH(QString, played);
        KeyRig rig;
        rig.state.flags.playSounds = sound;
        rig.state.flags.loopSounds = loop;
        rig.state.tables.keySounds[23] = file;
        rig.type('x');
        QCOMPARE(rig.wave.log.last(), played);
    }

    // A sound given to the player ahead of its half second is not played again by the step; a
    // key's piece that comes first drops it.
    void soundGivenAhead() {
        const QString ahead = u"played /snd/x.wav ahead"_s;
        for (const bool piece : {false, true}) {
            KeyRig rig;
            rig.piece(midiSlotOfSpecialKeyButton(2));
            rig.state.flags.playSounds = true;
            rig.state.tables.keySounds[23] = u"/snd/x.wav"_s;
            rig.wave.playsAhead = true;
            rig.keys.onCharacterTyped('x');
            QVERIFY(rig.keys.soundLeadTimer().isActive() &&
                    rig.keys.soundLeadTimer().interval() == 450);
            rig.keys.onSoundLeadElapsed();
            if (piece)
                rig.keys.onSpecialKeyClicked(2);
            if (rig.keys.isSoundDelayActive())
                rig.keys.onSoundDelayElapsed();
            QCOMPARE(rig.wave.log, piece ? QStringList({ahead, u"stopped"_s}) : QStringList(ahead));
        }
    }

    // F10: the MIDI buttons off and the dance on, until the piece ends by itself (as the audio
    // thread tells).
    void pieceEndsByItself() {
        KeyRig rig;
        rig.piece(19);
        rig.keys.onFunctionKeyClicked(9);
        QVERIFY(rig.playing && rig.view.midiButtons(false) && rig.view.dancing);
        rig.sequencer->endFromAudioThread();
        QTRY_VERIFY(rig.view.midiButtons(true) && !rig.view.dancing);
    }

    void messages_data() {
        QTest::addColumn<Mishap>("mishap");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const QString &text, Mishap mishap) {
            QTest::newRow(name) << mishap << text;
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
        row("opening picture missing", u"オープニングBMP名又はパス名が違います"_s, [](KeyRig &r) {
            r.state.flags.playOpeningPiece = false;
            r.state.tables.keyPictures[OpeningPictureSlot] = r.folder.file(u"x.bmp"_s);
            r.keys.startOpening();
        });
    }
    void messages() {
        QFETCH(Mishap, mishap);
        QFETCH(QString, text);
        KeyRig rig;
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.state.flags.playOpeningPiece = true;
        mishap(rig);
        if (rig.keys.isSoundDelayActive())
            rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.dialogs.calls().size(), 1);
        const MessageBoxRequest &box = rig.dialogs.calls().first().message;
        QCOMPARE(box.text.section(u'\n', 0, 0), text); // a file's reason follows
        // A bad path is a warning titled "Message".
        const bool badPath = text.startsWith(u"不正"_s);
        QCOMPARE(box.title, badPath ? u"Message"_s : QString());
        QCOMPARE(box.icon, badPath ? MessageIcon::Exclamation : MessageIcon::None);
        // Nothing is left half playing and the opening is over, so the next key's sound step is
        // not taken for the opening's piece.
        QVERIFY(!rig.playing && !rig.view.dancing && !rig.keys.isOpeningActive());
        QVERIFY(rig.view.midiButtons(true));
    }

    // The opening waits 50 ms for the screen to appear, then shows the built-in picture; with
    // OPENFlag off the half-second tick only ends it.
    void openingWithBuiltinPicture() {
        KeyRig rig;
        rig.piece(OpeningMidiSlot);
        rig.keys.startStartupDelay();
        const QTimer &startup = rig.keys.startupTimer();
        QVERIFY(startup.isActive() && startup.isSingleShot() && startup.interval() == 50);
        rig.keys.onStartupDelayElapsed();
        QVERIFY(rig.view.midiButtons(true));
        const QImage shown = rig.view.shown.value(0).first;
        QCOMPARE(shown, openingPicture().scaled(shown.size(), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation));
        QVERIFY(rig.keys.isOpeningActive());
        rig.keys.onSoundDelayElapsed();
        QVERIFY(!rig.keys.isOpeningActive() && !rig.playing);
    }
};

class KeyPictureTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // After start-up every picture of the tables is prepared in the background; each is decoded
    // once, also when its key is pressed while it waits in the queue or is being decoded.
    void picturesArePreparedAfterStartup() {
        KeyRig rig;
        for (int i = 0; i < 3; ++i)
            rig.state.tables.keyPictures[i] = rig.bitmap(u"%1.bmp"_s.arg(QChar(u'a' + i)));
        rig.state.tables.digitPictures[5] = rig.state.tables.keyPictures[1];
        std::atomic<bool> aStarted = false, pressing = false;
        rig.beforeDecode = [&](const QString &path) {
            if (path.endsWith(u"a.bmp"_s)) {
                aStarted = true;
                while (!pressing)
                    std::this_thread::yield();
            }
        };
        rig.keys.onStartupDelayElapsed();
        QVERIFY(QTest::qWaitFor([&] { return aStarted.load(); }));
        pressing = true;
        rig.type('b');
        rig.type('a');
        QVERIFY(QTest::qWaitFor([&] { return !rig.pictures.isPreloading(); }));
        QCOMPARE(rig.decodes.load(), 3);
        rig.type('c');
        QCOMPARE(rig.decodes.load(), 3);
        QCOMPARE(rig.view.shown.size(), 4); // the built-in opening, b, a, c
    }

    // The same key again and a key without a picture keep the picture on screen, each key's
    // sound all the same. A path with backslash folders is found. A lower-case .wmf is drawn
    // over the picture area as it is, and so is a name without a dot after it; an upper-case
    // .WMF is fitted.
    void pictureStaysFoundAndFitted() {
        KeyRig rig;
        if (rig.folder.path().contains(u'.'))
            QSKIP("the temporary folder's own name holds a dot");
        rig.bitmap(u"pics/e.bmp"_s);
        rig.state.tables.keyPictures[4] = rig.folder.path() + u"\\pics\\e.bmp"_s;
        rig.state.flags.playSounds = true;
        rig.state.tables.keySounds[4] = rig.state.tables.keySounds[1] = u"/snd/e.wav"_s;
        for (const char key : {'e', 'E', 'b'})
            rig.type(key);
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.decodes.load(), 1);
        QCOMPARE(rig.wave.log.filter(u"played"_s).size(), 3);

        const QRect area(150, 150, 8100, 6100); // the picture area as laid out
        rig.view.area = area;
        const QStringList names{u"pic.wmf"_s, u"plain"_s, u"PIC.WMF"_s};
        for (int i = 0; i < names.size(); ++i) {
            rig.state.tables.digitPictures[i] = rig.bitmap(names[i]);
            rig.type(char('0' + i));
        }
        QCOMPARE(rig.view.shown.size(), 4);
        QCOMPARE(rig.view.shown[2].second, area);
        QCOMPARE_NE(rig.view.shown[3].second, area);
    }

    // A pipe named as a picture is refused at once with the file and why. A sound that cannot
    // be played says so on the status line, where it does not stop play; not when the option is
    // off, as in settings files of old.
    void messagesNameTheFileAndWhy() {
        KeyRig rig;
        rig.dialogs.answerButton(DialogButton::Ok);
        const QString pipe = rig.folder.file(u"0.bmp"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        rig.state.tables.digitPictures[0] = pipe;
        rig.state.tables.digitSounds[0] = u"s.wav"_s;
        rig.state.flags.playSounds = rig.state.reportSoundFailures = true;
        rig.wave.failure = u"WAVE ファイルではありません"_s;
        QElapsedTimer clock;
        clock.start();
        rig.type('0');
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.dialogs.messageTexts(),
                 QStringList(u"BMP名又はパス名が違います\n%1\n通常のファイルではありません"_s.arg(
                     QDir::toNativeSeparators(pipe))));
        QCOMPARE(rig.view.soundName,
                 u"WAVEファイルを再生できません　s.wav　WAVE ファイルではありません"_s);
        QVERIFY(!rig.keys.isBusy());

        rig.state.reportSoundFailures = false;
        rig.type('0');
        QCOMPARE(rig.view.soundName, u"s.wav"_s);
        QCOMPARE(rig.dialogs.messageTexts().size(), 1);
    }
};

PIKORO_TEST_CLASS(KeyActionsTest)
PIKORO_TEST_CLASS(KeyPictureTest)
#include "tst_keys.moc"
