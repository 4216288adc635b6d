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
    struct Shown {
        QImage image;
        QRect area;
    };

    void setButtonEnabled(ScreenButton a, int i, bool on) override { enabled[{a, i}] = on; }
    // As the start-up leaves them: every button on but the stop button.
    bool isButtonEnabled(ScreenButton array, int index) const {
        const auto it = enabled.find({array, index});
        return it == enabled.end() ? array != ScreenButton::StopPiece : it->second;
    }
    void focusButton(ScreenButton array, int index) override { focus.append({array, index}); }
    void setStatusLine(const QString &caption) override { soundName = caption; }
    QSize pictureFrameSize() const override { return frame; }
    QRect pictureArea() const override { return area; }
    void showPicture(const QImage &i, const QRect &r) override { shown.append({i, area = r}); }
    void setMemoryCounter(const QString &) override {}
    void setMemoryPlaybackEnabled(bool) override {}
    void setMemorySwitchOn(bool) override {}
    void showMascotFrame(int) override {}
    QSize danceArea() const override { return area.size() / 15; }
    void showDanceScene(const DanceState &) override {}
    void hideDance() override {}

    // The opening button, special keys 0-8 and function keys 0-11 all have the given state, the
    // stop button the other.
    bool midiButtons(bool on) const {
        bool same = isButtonEnabled(ScreenButton::Opening, 0) == on &&
                    isButtonEnabled(ScreenButton::StopPiece, 0) != on;
        for (int i = 0; i < 12; ++i)
            same &= isButtonEnabled(ScreenButton::FunctionKey, i) == on &&
                    (i >= 9 || isButtonEnabled(ScreenButton::SpecialKey, i) == on);
        return same;
    }

    std::map<std::pair<ScreenButton, int>, bool> enabled; // not listed = enabled
    QList<std::pair<ScreenButton, int>> focus;
    QString soundName;
    QSize frame{8400, 6400};
    QRect area{150, 150, 8100, 6100};
    QList<Shown> shown;
    bool dancing = false;
    int splashUnloads = 0;
};

// Everything the key actions work with, recorded, plus a temporary application folder.
// The picture cache counts how often it really decodes a file.
struct KeyRig {
    // With a device, MIDI goes there instead of the recording one.
    explicit KeyRig(MidiDevice *device = nullptr)
        : media{audio, wave, device ? *device : midi, speech},
          pictures(PictureCache::DefaultMaxBytes,
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
    }

    // Writes a BMP of the given size and returns its path.
    QString bitmap(const QString &name, const QSize &size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = folder.write(name, {}); // with its folders
        image.save(path, "BMP");
        return path;
    }

    TempFolder folder;
    AppState state;
    FakeMainScreen view;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMidiDevice midi;
    RecordingSpeech speech;
    MediaServices media;
    ScriptedDialogs dialogs;
    std::atomic<int> decodes = 0; // the cache also decodes on its worker thread
    // Runs before each decode, maybe on the worker thread.
    std::function<void(const QString &path)> beforeDecode = [](const QString &) {};
    PictureCache pictures;
    KeyActions keys{state, view, media, dialogs, pictures};
    // What the play controller hears from the key actions.
    QMetaObject::Connection danceLink = QObject::connect(
        &keys, &KeyActions::danceWanted, [this](bool dancing) { view.dancing = dancing; });
    QMetaObject::Connection splashLink =
        QObject::connect(&keys, &KeyActions::openingStarting, [this] { ++view.splashUnloads; });
};

// Gives every sound and MIDI slot a distinct name, so the slot a key reached can be read off
// currentFileName or the device's open path. Picture slots stay empty: no picture to load.
void fillSounds(AppState &state) {
    for (int i = 0; i < KeySoundCount; ++i)
        state.tables.keySounds[i] = u"key%1.wav"_s.arg(i);
    for (int i = 0; i < DigitCount; ++i)
        state.tables.digitSounds[i] = u"digit%1.wav"_s.arg(i);
    for (int i = 0; i < MidiSlotCount; ++i)
        state.tables.midiPieces[i] = u"slot%1.mid"_s.arg(i);
}

// The real sequencer device over a silent sequencer, so the device itself judges paths.
struct DeviceRig {
    DeviceRig() : device(std::make_unique<SilentSequencer>(&playing)), rig(&device) {}
    bool playing = false;
    SequencerMidiDevice device;
    KeyRig rig;
};

// Makes one thing go wrong on the rig.
using Mishap = void (*)(KeyRig &);

// A character (below 0x100, typed) or a Qt key (pressed) on an idle rig (before 0), during a
// key action (1) or while a piece plays (2): whether it was taken, the button it focused (index
// -1: none) and the sound or piece (then playing) it reached.
struct KeyCase {
    int before, key;
    bool taken;
    ScreenButton array;
    int index;
    QString file;
};

} // namespace

Q_DECLARE_METATYPE(Mishap)
Q_DECLARE_METATYPE(KeyCase)

class KeyActionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void keys_data() {
        QTest::addColumn<KeyCase>("c");
        const auto L = ScreenButton::Letter;
        QTest::newRow("lower q") << KeyCase{0, 'q', true, L, 16, u"key16.wav"_s};
        QTest::newRow("upper Q") << KeyCase{0, 'Q', true, L, 16, u"key16.wav"_s};
        QTest::newRow("space") << KeyCase{0, ' ', true, L, 26, u"key26.wav"_s};
        QTest::newRow("digit 9") << KeyCase{0, '9', true, ScreenButton::Digit, 9, u"digit9.wav"_s};
        QTest::newRow("down") << KeyCase{0, Qt::Key_Down, true, L, -1, u"key28.wav"_s};
        QTest::newRow("left") << KeyCase{0, Qt::Key_Left, true, L, -1, u"key31.wav"_s};
        QTest::newRow("F1") << KeyCase{0, Qt::Key_F1, true, L, -1, u"slot10.mid"_s};
        QTest::newRow("F10") << KeyCase{0, Qt::Key_F10, true, L, -1, u"slot19.mid"_s};
        QTest::newRow("F11") << KeyCase{0, Qt::Key_F11, false, L, -1, QString()};
        QTest::newRow("return") << KeyCase{0, Qt::Key_Return, false, L, -1, QString()};
        QTest::newRow("down while busy") << KeyCase{1, Qt::Key_Down, true, L, -1, u"key0.wav"_s};
        QTest::newRow("F3 while a piece plays")
            << KeyCase{2, Qt::Key_F3, false, L, -1, u"slot3.mid"_s};
    }
    void keys() {
        QFETCH(KeyCase, c);
        KeyRig rig;
        fillSounds(rig.state);
        if (c.before == 1)
            rig.keys.onLetterClicked(0);
        if (c.before == 2)
            rig.keys.onSpecialKeyClicked(2);
        if (c.key < 0x100)
            rig.keys.onCharacterTyped(c.key);
        else
            QCOMPARE(rig.keys.keyDown(c.key), c.taken);
        const QList<std::pair<ScreenButton, int>> none, focus{{c.array, c.index}};
        QCOMPARE(rig.view.focus, c.index < 0 ? none : focus);
        QCOMPARE(rig.keys.currentFileName(), c.file);
        const bool piece = c.file.endsWith(u".mid"_s);
        QCOMPARE(rig.midi.openPath, piece ? c.file : QString());
        QCOMPARE(rig.midi.playing, piece);
        // A sound follows half a second later and ends the action.
        QCOMPARE(rig.keys.isSoundDelayActive(), c.file.endsWith(u".wav"_s));
        if (rig.keys.isSoundDelayActive()) {
            QVERIFY(rig.keys.isBusy());
            rig.keys.onSoundDelayElapsed();
            QCOMPARE(rig.view.soundName, c.file);
            QVERIFY(!rig.keys.isBusy());
        }
    }

    void kanaModeSpeaksTheCaption() {
        KeyRig rig;
        fillSounds(rig.state);
        rig.state.kanaMode() = true;
        applyKeyCaptions(rig.state, true);
        rig.keys.onCharacterTyped('q');
        rig.keys.onCharacterTyped('A');
        rig.keys.onLetterClicked(DownSlot);
        QVERIFY(rig.view.shown.isEmpty() && !rig.keys.isSoundDelayActive() && !rig.keys.isBusy());
        // A digit speaks its number and, unlike a letter, leaves a playing piece alone.
        rig.keys.onSpecialKeyClicked(0);
        rig.keys.onDigitClicked(7);
        QVERIFY(rig.midi.playing && rig.keys.isBusy());
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
        KeyRig rig;
        rig.state.flags.playSounds = sound;
        rig.state.flags.loopSounds = loop;
        rig.state.tables.keySounds[23] = file;
        rig.keys.onCharacterTyped('x');
        QVERIFY(rig.wave.log.isEmpty()); // nothing before the half second is up
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.wave.log.last(), played);
        QCOMPARE(rig.view.soundName, file.isEmpty() ? noSoundMark() : u"x.wav"_s);
        QVERIFY(rig.keys.currentFileName().isEmpty());
    }

    // A sound given to the player ahead of its half second is not played again by the step; a
    // key's piece that comes first drops it.
    void soundGivenAhead_data() {
        QTest::addColumn<bool>("piece");
        QTest::addColumn<QStringList>("log");
        const QString ahead = u"played /snd/x.wav ahead"_s;
        QTest::newRow("step") << false << QStringList{ahead};
        QTest::newRow("piece first") << true << QStringList{ahead, u"stopped"_s};
    }
    void soundGivenAhead() {
        QFETCH(bool, piece);
        QFETCH(QStringList, log);
        KeyRig rig;
        fillSounds(rig.state);
        rig.state.flags.playSounds = true;
        rig.state.tables.keySounds[23] = u"/snd/x.wav"_s;
        rig.wave.playsAhead = true;
        rig.keys.onCharacterTyped('x');
        rig.keys.onSoundLeadElapsed();
        if (piece)
            rig.keys.onSpecialKeyClicked(2);
        if (rig.keys.isSoundDelayActive())
            rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.wave.log, log);
    }

    // F4 without a piece: the no-piece mark, and the action stays under way, so arrows wait
    // for the next character key. F10 with one: the MIDI buttons off, the dance on.
    void functionKeys() {
        KeyRig rig;
        rig.keys.keyDown(Qt::Key_F4);
        QCOMPARE(rig.view.soundName, noMidiMark());
        QVERIFY(rig.midi.commands.isEmpty());
        QVERIFY(rig.keys.keyDown(Qt::Key_Down));
        QVERIFY(rig.keys.currentFileName().isEmpty());
        rig.keys.onCharacterTyped('?');
        QVERIFY(!rig.keys.isBusy());

        rig.state.tables.midiPieces[19] = u"/mid/my songs/dance: intro?.mid"_s;
        rig.view.setButtonEnabled(ScreenButton::UnassignedKey, 12, false);
        rig.keys.onFunctionKeyClicked(9);
        QVERIFY(rig.view.midiButtons(false) && rig.view.dancing);
        QVERIFY(rig.view.isButtonEnabled(ScreenButton::UnassignedKey, 12));
        QCOMPARE(rig.view.shown.size(), 1); // the dance picture
        QCOMPARE(rig.view.soundName, u"dance: intro?.mid"_s);
        QCOMPARE(rig.midi.commands.mid(rig.midi.commands.size() - 3, 1),
                 QStringList(u"open /mid/my songs/dance: intro?.mid"_s));
        rig.keys.onStopPieceClicked();
        QVERIFY(rig.view.midiButtons(true) && !rig.view.dancing && rig.midi.openPath.isEmpty());
        QCOMPARE(rig.view.soundName, QString());
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
        QCOMPARE(box.text.section(u'\n', 0, 0), text); // a file's reason follows
        QCOMPARE(box.title, badPath ? u"Message"_s : QString());
        QCOMPARE(box.icon, badPath ? MessageIcon::Exclamation : MessageIcon::None);
        // Whatever went wrong, nothing is left half playing and the opening is over, so the next
        // key's sound step is not taken for the opening's piece.
        QVERIFY(!d.playing && !rig.view.dancing && !rig.keys.isOpeningActive());
        QVERIFY(rig.view.midiButtons(true));
    }

    void openingWithBuiltinPicture() {
        KeyRig rig;
        rig.state.tables.midiPieces[OpeningMidiSlot] = u"/mid/opening.mid"_s;
        rig.keys.startStartupDelay();
        // The opening waits 50 ms for the screen to appear, no longer.
        const QTimer &startup = rig.keys.startupTimer();
        QVERIFY(startup.isActive() && startup.isSingleShot() && startup.interval() == 50);
        rig.keys.onStartupDelayElapsed();
        QCOMPARE(rig.view.splashUnloads, 1);
        QVERIFY(rig.view.midiButtons(true));
        const QImage shown = rig.view.shown.value(0).image;
        QCOMPARE(shown, openingPicture().scaled(shown.size(), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation));
        QCOMPARE(rig.dialogs.pointerChanges(),
                 QList({MousePointer::ArrowHourglass, MousePointer::Normal}));
        // With OPENFlag off the half-second tick only ends the opening.
        QVERIFY(rig.keys.isOpeningActive());
        rig.keys.onSoundDelayElapsed();
        QVERIFY(!rig.keys.isOpeningActive() && rig.midi.openPath.isEmpty());
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
            rig.state.tables.keyPictures[i] =
                rig.bitmap(u"%1.bmp"_s.arg(QChar(u'a' + i)), {200, 100});
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
        for (const char key : {'b', 'a'}) {
            rig.keys.onCharacterTyped(key);
            rig.keys.onSoundDelayElapsed();
        }
        QVERIFY(QTest::qWaitFor([&] { return !rig.pictures.isPreloading(); }));
        QCOMPARE(rig.decodes.load(), 3);
        rig.keys.onCharacterTyped('c');
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.decodes.load(), 3);
        QCOMPARE(rig.view.shown.size(), 4); // the built-in opening, b, a, c
        QCOMPARE(rig.view.shown.last().image.size(), QSize(533, 267));
    }

    // The same key again and a key without a picture keep the picture on screen. A path with
    // backslash folders is found; the picture is fitted into the view's frame, here a square one
    // that stretches it out of proportion.
    void pictureStaysFoundAndFitted() {
        KeyRig rig;
        rig.view.frame = QSize(6400, 6400);
        rig.bitmap(u"pics/e.bmp"_s, QSize(200, 100));
        rig.state.tables.keyPictures[4] = rig.folder.path() + u"\\pics\\e.bmp"_s;
        rig.state.tables.keySounds[4] = u"/snd/e.wav"_s;
        rig.state.tables.keySounds[1] = u"/snd/b.wav"_s;
        rig.state.flags.playSounds = true;
        for (const char key : {'e', 'E', 'b'}) {
            rig.keys.onCharacterTyped(key);
            rig.keys.onSoundDelayElapsed();
        }
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.view.shown.first().area, QRect(200, 200, 6000, 6000));
        QCOMPARE(rig.view.shown.first().image.size(), QSize(400, 400));
        QCOMPARE(rig.decodes.load(), 1);
        // The holder names the picture still on screen, so "e" would again be the same key.
        QCOMPARE(rig.keys.picturePath(), rig.state.tables.keyPictures[4]);
        QCOMPARE(rig.wave.log.filter(u"played"_s).size(), 3); // each key's sound all the same
    }

    // Bitmaps twice as wide as high under metafile names: a lower-case .wmf is shown over the
    // picture area as it is, a name without a dot keeps that decision, an upper-case .WMF is
    // fitted.
    void metafileTypeDecidesTheFitting() {
        KeyRig rig;
        if (rig.folder.path().contains(u'.'))
            QSKIP("the temporary folder's own name holds a dot");
        const QStringList names{u"pic.wmf"_s, u"plain"_s, u"PIC.WMF"_s};
        for (int i = 0; i < names.size(); ++i) {
            rig.state.tables.keyPictures[i] = rig.bitmap(names[i], QSize(200, 100));
            rig.keys.onLetterClicked(i);
            rig.keys.onSoundDelayElapsed();
        }
        QCOMPARE(rig.view.shown.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const auto &[image, area] = rig.view.shown[i];
            QCOMPARE(area, i < 2 ? QRect(150, 150, 8100, 6100) : QRect(200, 1200, 8000, 4000));
            QCOMPARE(image.size(),
                     QSize(qRound(area.width() / 15.0), qRound(area.height() / 15.0)));
        }
    }
};

// What a key says of a file it cannot use: the file and why, at once, whatever the file is.
class KeyFileTest : public QObject {
    Q_OBJECT
private slots:
    // A pipe named as a picture, and a sound that cannot be played: each message has the text
    // of old, the file and the reason (the sound's on the status line, where it does not stop
    // play); a pipe is refused without waiting for a writer.
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
        rig.keys.onDigitClicked(0);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.dialogs.messageTexts(),
                 QStringList(u"BMP名又はパス名が違います\n%1\n通常のファイルではありません"_s.arg(
                     QDir::toNativeSeparators(pipe))));
        QCOMPARE(rig.view.soundName,
                 u"WAVEファイルを再生できません　s.wav　WAVE ファイルではありません"_s);
        QVERIFY(!rig.keys.isBusy());

        // Played back from memory, a second apart, the same sound stays silent; so does a key's
        // when the option is off, as it is for settings files of old.
        rig.keys.playSoundFile(u"s.wav"_s);
        rig.state.reportSoundFailures = false;
        rig.keys.onDigitClicked(0);
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.view.soundName, u"s.wav"_s);
        QCOMPARE(rig.dialogs.messageTexts().size(), 1);
    }
};

PIKORO_TEST_CLASS(KeyActionsTest)
PIKORO_TEST_CLASS(KeyPictureTest)
PIKORO_TEST_CLASS(KeyFileTest)
#include "tst_keys.moc"
