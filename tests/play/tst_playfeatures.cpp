#include "ScriptedDialogs.h"
#include "TestRunner.h"

#include "play/AutoPress.h"
#include "play/BuiltinPictures.h"
#include "play/DanceAnimation.h"
#include "play/KeyMemory.h"
#include "play/MascotAnimation.h"

#include <QRegularExpression>
#include <QTest>
#include <map>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

class RecordingMemoryView : public MemoryView {
public:
    void showStoredPicture(const QString &path) override { pictures.append(path); }
    void playStoredSound(const QString &path) override { sounds.append(path); }
    bool soundsOn() const override { return sound; }
    void setLoopingSuspended(bool on) override { loopingSuspended = on; }
    void setStatusText(const QString &text) override { status.append(text); }
    void showStatusNote(const QString &text) override { status.append(u"note: "_s + text); }
    void setCounterText(const QString &) override {}
    void setPlaybackEnabled(bool on) override { playbackEnabled = on; }
    bool isMemorySwitchOn() const override { return memorySwitch; }
    void setMemorySwitchOn(bool on) override { memorySwitch = on; }
    void clearPictureHolder() override {}

    QStringList pictures, sounds, status;
    bool sound = true, loopingSuspended = false, playbackEnabled = false, memorySwitch = true;
};

// A memory holding `count` keys p0.bmp / s0.wav ..., each stored after its key action; key
// `gap` has neither picture nor sound.
struct MemoryRig {
    explicit MemoryRig(int count, int gap = -1) {
        for (int i = 0; i < count; ++i) {
            memory.keyActionStarted();
            memory.store(i == gap ? QString() : u"p%1.bmp"_s.arg(i),
                         i == gap ? QString() : u"s%1.wav"_s.arg(i));
        }
    }
    RecordingMemoryView view;
    ScriptedDialogs dialogs;
    KeyMemory memory{view, dialogs};
};

class RecordingPressView : public AutoPressView {
public:
    void focusKey(AutoKeyRow row, int index) override { focused.append({row, index}); }
    void clickKey(AutoKeyRow row, int index) override { clicked.append({row, index}); }
    QList<AutoPressChoice> focused, clicked;
};

} // namespace

class KeyMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // Four keys stored, the second with neither picture nor sound: the first shown at once,
    // the others a tick apart, the tick after the last ends. A key stroke ends the playback at
    // once, the miss picture at the next tick (with sounds off, one tick later). The next
    // stored key stroke gives the playback button back.
    void playback_data() {
        QTest::addColumn<int>("stroke"); // after the first tick: 0 none, 1 a key, 2 a miss
        QTest::addColumn<bool>("soundsOn");
        QTest::addColumn<int>("shown"); // pictures shown of the four stored
        QTest::newRow("to the end") << 0 << true << 4;
        QTest::newRow("a key ends it at once") << 1 << true << 2;
        QTest::newRow("the miss picture ends it at the next tick") << 2 << true << 2;
        QTest::newRow("the miss picture with sounds off: one more picture") << 2 << false << 3;
    }
    void playback() {
        QFETCH(int, stroke);
        QFETCH(bool, soundsOn);
        QFETCH(int, shown);
        MemoryRig rig(4, 1);
        rig.view.sound = soundsOn;
        rig.memory.play();
        QCOMPARE(rig.view.pictures, QStringList{u"p0.bmp"_s});
        QVERIFY(!rig.view.playbackEnabled && rig.view.loopingSuspended);
        rig.memory.onPlaybackTick();
        if (stroke)
            stroke == 1 ? rig.memory.keyActionStarted() : rig.memory.markKeyStroke();
        for (int ticks = 0; rig.memory.isPlaying() && ticks < 20; ++ticks)
            rig.memory.onPlaybackTick();
        const QStringList pictures{u"p0.bmp"_s, QString(), u"p2.bmp"_s, u"p3.bmp"_s};
        QCOMPARE(rig.view.pictures, pictures.first(shown));
        QCOMPARE(rig.view.sounds.size(), !soundsOn ? 0 : stroke ? 1 : 3); // none for the second
        QCOMPARE(rig.view.status, stroke ? QStringList() : QStringList{playbackFinishedText()});
        QVERIFY(!rig.view.loopingSuspended && !rig.view.playbackEnabled);
        rig.memory.keyActionStarted();
        rig.memory.store({}, {});
        QVERIFY(rig.view.playbackEnabled);
    }

    // Clearing asks first (Cancel by default).
    void clearAndSwitchOff() {
        MemoryRig rig(10);
        rig.dialogs.answerButton(DialogButton::Cancel);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 10);
        QCOMPARE(rig.dialogs.calls().last().message.defaultButton, DialogButton::Cancel);

        rig.dialogs.answerButton(DialogButton::Ok);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 0);
        QVERIFY(!rig.view.memorySwitch);
        QCOMPARE(rig.view.status, QStringList{memoryClearedText()});
    }
};

class MascotDanceTest : public QObject {
    Q_OBJECT
private slots:
    // Whatever directions the periods draw, the birds turn at the edges and stay in the area,
    // give or take the jump of a bounce.
    void birdsStayInTheArea() {
        DanceState state;
        state.sprites = {QRect(100, 100, 25, 25), QRect(150, 100, 25, 25), QRect(200, 100, 25, 25),
                         QRect(50, 100, 25, 25)};
        const QSize area(320, 240);
        const QRect inside = QRect(QPoint(0, 0), area).adjusted(-12, -12, 52, 52);
        QRandomGenerator random(7);
        for (int period = 0; period < 2000; ++period) {
            newDanceDirections(state, random);
            for (int step = 0; step < 20; ++step) {
                danceStep(state, area);
                for (const QRect &sprite : state.sprites)
                    QVERIFY2(inside.contains(sprite), qPrintable(u"period %1"_s.arg(period)));
            }
        }
    }

    // Digits and A-V (never W-Z), each about once in 33 ticks; the 33rd tick is idle. The
    // mascot's double-click asks to switch it on or off.
    void autoPressChoosesDigitsAndLettersAToV() {
        RecordingPressView view;
        ScriptedDialogs dialogs;
        AutoPress press(view, dialogs);
        press.setRandomSeed(12345);
        const int ticks = 33 * 300;
        for (int i = 0; i < ticks; ++i)
            press.onPressTick();
        std::map<std::pair<int, int>, int> counts{{{-1, 0}, ticks - int(view.clicked.size())}};
        for (const AutoPressChoice &choice : view.clicked)
            ++counts[{int(choice.row), choice.index}];
        QCOMPARE(counts.size(), std::size_t(33));
        QCOMPARE(counts.rbegin()->first, std::make_pair(int(AutoKeyRow::Letter), 21));
        for (const auto &[key, count] : counts)
            QVERIFY2(count > 200 && count < 400, "every key about once in 33 ticks");

        dialogs.answerButton(DialogButton::Yes);
        press.askToSwitch();
        QVERIFY(press.isRunning());
        dialogs.answerButton(DialogButton::No);
        press.askToSwitch();
        QVERIFY(!press.isRunning());
    }
};

PIKORO_TEST_CLASS(KeyMemoryTest)
PIKORO_TEST_CLASS(MascotDanceTest)
#include "tst_playfeatures.moc"
