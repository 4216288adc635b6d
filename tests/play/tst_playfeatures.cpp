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
    void setCounterText(const QString &text) override { counter = text; }
    void setPlaybackEnabled(bool on) override { playbackEnabled = on; }
    bool isMemorySwitchOn() const override { return memorySwitch; }
    void setMemorySwitchOn(bool on) override { memorySwitch = on; }
    void clearPictureHolder() override { ++holderClears; }

    QStringList pictures, sounds, status;
    QString counter = u"0"_s;
    bool sound = true, loopingSuspended = false, playbackEnabled = false, memorySwitch = true;
    int holderClears = 0;
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
    void runToEnd() {
        for (int ticks = 0; memory.isPlaying() && ticks < 20; ++ticks)
            memory.onPlaybackTick();
    }
    RecordingMemoryView view;
    ScriptedDialogs dialogs;
    KeyMemory memory{view, dialogs};
};

// Every sprite well inside a 320 x 240 area, going down-right.
DanceState calmDance() {
    DanceState state;
    state.sprites = {QRect(100, 100, 25, 25), QRect(150, 100, 25, 25), QRect(200, 100, 25, 25),
                     QRect(50, 100, 25, 25)};
    state.steps = {QPoint(1, 1), QPoint(1, 1), QPoint(1, 1)};
    return state;
}
constexpr QSize Area{320, 240};

// One sprite's step from `from`: the direction it had (for the trailing bird, the lead's),
// where it lands, the direction it keeps (-1: the trailing bird keeps none) and its facing.
struct EdgeCase {
    int sprite;
    QRect from;
    int direction;
    QPoint to;
    int after;
    bool facingLeft;
};

class RecordingDanceView : public DanceView {
public:
    QSize danceArea() const override { return Area; }
    void showDanceScene(const DanceState &state) override { scenes.append(state); }
    void hideDance() override {}
    QList<DanceState> scenes;
};

class RecordingPressView : public AutoPressView {
public:
    void focusKey(AutoKeyRow row, int index) override { focused.append({row, index}); }
    void clickKey(AutoKeyRow row, int index) override { clicked.append({row, index}); }
    QList<AutoPressChoice> focused, clicked;
};

} // namespace

Q_DECLARE_METATYPE(EdgeCase)

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
        rig.runToEnd();
        const QStringList pictures{u"p0.bmp"_s, QString(), u"p2.bmp"_s, u"p3.bmp"_s};
        QCOMPARE(rig.view.pictures, pictures.first(shown));
        QCOMPARE(rig.view.sounds.size(), !soundsOn ? 0 : stroke ? 1 : 3); // none for the second
        QCOMPARE(rig.view.status, stroke ? QStringList() : QStringList{playbackFinishedText()});
        QVERIFY(!rig.view.loopingSuspended && !rig.view.playbackEnabled);
        rig.memory.keyActionStarted();
        rig.memory.store({}, {});
        QVERIFY(rig.view.playbackEnabled);
    }

    // Clearing asks first (Cancel by default). With the switch off nothing is stored.
    void clearAndSwitchOff() {
        MemoryRig rig(10);
        rig.dialogs.answerButton(DialogButton::Cancel);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 10);
        QVERIFY(rig.view.memorySwitch);
        QCOMPARE(rig.dialogs.calls().last().message.defaultButton, DialogButton::Cancel);

        rig.dialogs.answerButton(DialogButton::Ok);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 0);
        QCOMPARE(rig.view.counter, u"0"_s);
        QVERIFY(!rig.view.memorySwitch);
        QCOMPARE(rig.view.holderClears, 1);
        QCOMPARE(rig.view.status, QStringList{memoryClearedText()});

        MemoryRig off(0);
        off.view.memorySwitch = false;
        off.memory.keyActionStarted();
        off.memory.store(u"a.bmp"_s, u"a.wav"_s);
        QCOMPARE(off.memory.count(), 0);
        QVERIFY(off.view.playbackEnabled);
    }
};

class MascotDanceTest : public QObject {
    Q_OBJECT
private slots:
    void edgeRules_data() {
        QTest::addColumn<EdgeCase>("e");
        QTest::newRow("right") << EdgeCase{1, {300, 100, 25, 25}, 1, {299, 100}, 3, true};
        QTest::newRow("left") << EdgeCase{1, {-1, 100, 25, 25}, 3, {0, 100}, 1, false};
        QTest::newRow("top-left") << EdgeCase{0, {-2, -4, 25, 25}, 3, {49, 47}, 0, false};
        QTest::newRow("pink 1 top") << EdgeCase{1, {100, -3, 25, 25}, 2, {101, 6}, 0, false};
        QTest::newRow("lead bottom") << EdgeCase{0, {100, 230, 25, 25}, 0, {99, 229}, 2, true};
        QTest::newRow("pink 2 bottom") << EdgeCase{2, {100, 230, 25, 25}, 0, {89, 219}, 2, true};
        QTest::newRow("bottom beats top") << EdgeCase{2, {100, 40, 25, 210}, 1, {89, 44}, 2, true};
        QTest::newRow("trailing top") << EdgeCase{3, {50, -1, 25, 25}, 0, {101, 50}, -1, false};
    }
    void edgeRules() {
        QFETCH(EdgeCase, e);
        DanceState state = calmDance();
        state.sprites[e.sprite] = e.from;
        state.directions[e.sprite == TrailingYellowBird ? LeadYellowBird : e.sprite] = e.direction;
        danceStep(state, Area);
        QCOMPARE(state.sprites[e.sprite].topLeft(), e.to);
        if (e.after >= 0)
            QCOMPARE(state.directions[e.sprite], e.after);
        QCOMPARE(state.facingLeft[e.sprite], e.facingLeft);
        // Only the yellow birds let a companion go when turning up-left.
        const bool note = e.sprite != FirstPinkBird && e.sprite != SecondPinkBird && e.after == 2;
        QCOMPARE(state.companionVisible, (std::array<bool, 2>{note, false}));
        if (note)
            QCOMPARE(state.companions[NoteCompanion], QPoint(160, 139));
    }

    // Drifting, the trailing bird goes right and leaves that step for the lead. One companion
    // a period: the lead bird's note appears and rises; the pink birds only lift the hidden heart.
    void sharedStepAndOneCompanionPerPeriod() {
        DanceState state = calmDance();
        state.directions = {DanceDirection::Drift, DanceDirection::Drift, DanceDirection::Drift};
        state.steps[FirstPinkBird] = QPoint(1, -1);
        danceStep(state, Area);
        QCOMPARE(state.sprites[TrailingYellowBird].topLeft(), QPoint(51, 100));
        QCOMPARE(state.companionVisible, (std::array<bool, 2>{true, false}));
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 89));
        QCOMPARE(state.companions[HeartCompanion], QPoint(0, -2));
        QCOMPARE(state.sprites[FirstPinkBird].topLeft(), QPoint(151, 99));
        danceStep(state, Area);
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 88));
        state.directions[LeadYellowBird] = DanceDirection::UpLeft; // would place it mid-area
        danceStep(state, Area);
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 87));
        // A new period hides the companion, to be placed afresh.
        QRandomGenerator random(7);
        newDanceDirections(state, random);
        QVERIFY(!state.companionPlaced && !state.companionVisible[NoteCompanion]);
    }

    void danceStartsFacingAfreshWhereTheLastEnded() {
        RecordingDanceView view;
        DanceAnimation dance(view);
        DanceState left = calmDance();
        left.facingLeft = {true, false, false, true};
        dance.setState(left);
        dance.start();
        QCOMPARE(view.scenes.last().facingLeft, (std::array<bool, 4>{false, true, true, false}));
        QCOMPARE(view.scenes.last().sprites, left.sprites); // places live on between dances
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
        QCOMPARE(view.focused, view.clicked);
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
        QCOMPARE(dialogs.pointerChanges(), QList<MousePointer>(2, MousePointer::Normal));
    }
};

PIKORO_TEST_CLASS(KeyMemoryTest)
PIKORO_TEST_CLASS(MascotDanceTest)
#include "tst_playfeatures.moc"
