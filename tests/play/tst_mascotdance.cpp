#include "ScriptedDialogs.h"
#include "TestRunner.h"

#include "play/AutoPress.h"
#include "play/BuiltinPictures.h"
#include "play/DanceAnimation.h"
#include "play/MascotAnimation.h"

#include <QTest>
#include <map>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

// Every sprite well inside a 320 x 240 area, going down-right.
DanceState calmDance() {
    DanceState state;
    state.sprites = {QRect(100, 100, 25, 25), QRect(150, 100, 25, 25), QRect(200, 100, 25, 25),
                     QRect(50, 100, 25, 25)};
    state.steps = {QPoint(1, 1), QPoint(1, 1), QPoint(1, 1)};
    return state;
}
constexpr QSize Area{320, 240};

class RecordingDanceView : public DanceView {
public:
    QSize danceArea() const override { return Area; }
    void showDanceScene(const DanceState &state) override { scenes.append(state); }
    void hideDance() override { ++hides; }
    QList<DanceState> scenes;
    int hides = 0;
};

class RecordingPressView : public AutoPressView {
public:
    void focusKey(AutoKeyRow row, int index) override { focused.append({row, index}); }
    void clickKey(AutoKeyRow row, int index) override { clicked.append({row, index}); }
    QList<AutoPressChoice> focused, clicked;
};

} // namespace

class MascotDanceTest : public QObject {
    Q_OBJECT
private slots:
    void mascotBlinksThroughItsCycle() {
        QList<int> frames;
        MascotAnimation mascot([&frames](int frame) { frames.append(frame); });
        QVERIFY(mascot.isRunning());
        for (int i = 0; i < 8; ++i)
            mascot.onFrameTick();
        QCOMPARE(frames, QList<int>({1, 2, 1, 0, 1, 2, 1, 0}));
        mascot.stop();
        QVERIFY(!mascot.isRunning());

        QVERIFY(mascotPressShowsInstructions(Qt::LeftButton, Qt::ControlModifier));
        QVERIFY(!mascotPressShowsInstructions(Qt::LeftButton, Qt::AltModifier));
        QVERIFY(!mascotPressShowsInstructions(Qt::RightButton, Qt::ShiftModifier));
        QCOMPARE(mascotFramePicture(2).size(), QSize(128, 128));
    }

    void edgeRules_data() {
        QTest::addColumn<int>("sprite");
        QTest::addColumn<QRect>("from");
        QTest::addColumn<int>("direction"); // the lead's direction for the trailing bird
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("directionAfter"); // -1: the trailing bird keeps none
        QTest::addColumn<bool>("facingLeft");
        const auto row = [](const char *name, int sprite, QRect from, int direction, QPoint to,
                            int after, bool left) {
            QTest::newRow(name) << sprite << from << direction << to << after << left;
        };
        row("right", 1, {300, 100, 25, 25}, 1, {299, 100}, 3, true);
        row("left", 1, {-1, 100, 25, 25}, 3, {0, 100}, 1, false);
        row("top-left", 0, {-2, -4, 25, 25}, 3, {49, 47}, 0, false);
        row("pink 1 top", 1, {100, -3, 25, 25}, 2, {101, 6}, 0, false);
        row("pink 2 top", 2, {100, 20, 25, 25}, 2, {101, 36}, 0, false);
        row("lead bottom", 0, {100, 230, 25, 25}, 0, {99, 229}, 2, true);
        row("pink 2 bottom", 2, {100, 230, 25, 25}, 0, {89, 219}, 2, true);
        row("bottom beats top", 2, {100, 40, 25, 210}, 1, {89, 44}, 2, true);
        row("trailing", 3, {50, 100, 25, 25}, 0, {51, 100}, -1, false);
        row("trailing top", 3, {50, -1, 25, 25}, 0, {101, 50}, -1, false);
    }
    void edgeRules() {
        QFETCH(int, sprite);
        QFETCH(QRect, from);
        QFETCH(int, direction);
        QFETCH(QPoint, to);
        QFETCH(int, directionAfter);
        QFETCH(bool, facingLeft);
        DanceState state = calmDance();
        state.sprites[std::size_t(sprite)] = from;
        state.directions[std::size_t(sprite == TrailingYellowBird ? LeadYellowBird : sprite)] =
            direction;
        danceStep(state, Area);
        QCOMPARE(state.sprites[std::size_t(sprite)].topLeft(), to);
        if (directionAfter >= 0)
            QCOMPARE(state.directions[std::size_t(sprite)], directionAfter);
        QCOMPARE(state.facingLeft[std::size_t(sprite)], facingLeft);
        // Only the yellow birds let a companion go when turning up-left.
        const bool note =
            sprite != FirstPinkBird && sprite != SecondPinkBird && directionAfter == 2;
        QCOMPARE(state.companionVisible, (std::array<bool, 2>{note, false}));
        if (note)
            QCOMPARE(state.companions[NoteCompanion], QPoint(160, 139));
    }

    void main4SharesMainsStep() {
        DanceState state = calmDance();
        state.directions = {DanceDirection::Drift, 0, 0};
        state.steps[LeadYellowBird] = QPoint(-1, -1);
        danceStep(state, Area); // the trailing bird goes right and leaves that step for the lead
        QCOMPARE(state.sprites[LeadYellowBird].topLeft(), QPoint(99, 99));
        QCOMPARE(state.sprites[TrailingYellowBird].topLeft(), QPoint(51, 100));
        danceStep(state, Area);
        QCOMPARE(state.sprites[LeadYellowBird].topLeft(), QPoint(100, 99));
    }

    void oneCompanionPerPeriod() {
        DanceState state = calmDance();
        state.directions = {DanceDirection::Drift, DanceDirection::Drift, DanceDirection::Drift};
        state.steps[FirstPinkBird] = QPoint(1, -1);
        danceStep(state, Area);
        // The lead bird's note appears and rises; the pink birds only lift the hidden heart.
        QCOMPARE(state.companionVisible, (std::array<bool, 2>{true, false}));
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 89));
        QCOMPARE(state.companions[HeartCompanion], QPoint(0, -2));
        QCOMPARE(state.sprites[FirstPinkBird].topLeft(), QPoint(151, 99));
        danceStep(state, Area);
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 88));
        state.directions[LeadYellowBird] = DanceDirection::UpLeft; // would place it mid-area
        danceStep(state, Area);
        QCOMPARE(state.companions[NoteCompanion], QPoint(110, 87));

        QRandomGenerator random(7);
        QSet<int> seen;
        for (int i = 0; i < 100; ++i) {
            newDanceDirections(state, random);
            for (int direction : state.directions)
                seen.insert(direction);
        }
        QCOMPARE(seen, QSet<int>({0, 1, 2, 3, 4}));
        QVERIFY(!state.companionPlaced);
        QCOMPARE(state.companionVisible, (std::array<bool, 2>{false, false}));
    }

    void danceTimersShowAndHide() {
        RecordingDanceView view;
        DanceAnimation dance(view);
        DanceState left = calmDance();
        left.facingLeft = {true, false, false, true};
        dance.setState(left);
        dance.start();
        QCOMPARE(view.scenes.last().facingLeft, (std::array<bool, 4>{false, true, true, false}));
        QCOMPARE(view.scenes.last().sprites, left.sprites); // places live on between dances
        dance.onStepTick();
        QCOMPARE(view.scenes.last().sprites[LeadYellowBird].topLeft(), QPoint(101, 101));
        dance.stop();
        QCOMPARE(view.hides, 1);
    }

    void autoPressChoosesDigitsAndLettersAToV() {
        RecordingPressView view;
        ScriptedDialogs dialogs;
        AutoPress press(view, dialogs);
        press.setRandomSeed(12345);
        const int ticks = 33 * 300;
        for (int i = 0; i < ticks; ++i)
            press.onPressTick();
        QCOMPARE(view.focused, view.clicked);
        // Digits and A-V (never W-Z), each about once in 33 ticks; the 33rd tick is idle.
        std::map<std::pair<int, int>, int> counts{{{-1, 0}, ticks - int(view.clicked.size())}};
        for (const AutoPressChoice &choice : view.clicked)
            ++counts[{int(choice.row), choice.index}];
        QCOMPARE(counts.size(), std::size_t(33));
        QCOMPARE(counts.rbegin()->first, std::make_pair(int(AutoKeyRow::Letter), 21));
        for (const auto &[key, count] : counts)
            QVERIFY2(count > 200 && count < 400, "every key about once in 33 ticks");
    }

    void mascotDoubleClickAsks() {
        RecordingPressView view;
        ScriptedDialogs dialogs;
        AutoPress press(view, dialogs);
        dialogs.answerButton(DialogButton::Yes);
        press.askToSwitch();
        QVERIFY(press.isRunning());
        dialogs.answerButton(DialogButton::No);
        press.askToSwitch();
        QVERIFY(!press.isRunning());
        QCOMPARE(dialogs.pointerChanges(), QList<MousePointer>(2, MousePointer::Normal));
    }

    void missPicture() {
        ScriptedDialogs dialogs;
        QSize drawn;
        QVERIFY(showMissPicture(pikoro::missPicture(), dialogs, [&drawn](const QImage &image) {
            drawn = image.size();
            return true;
        }));
        QCOMPARE(drawn, QSize(407, 247));
        QVERIFY(dialogs.calls().isEmpty());

        dialogs.answerButton(DialogButton::Ok);
        QVERIFY(
            !showMissPicture(pikoro::missPicture(), dialogs, [](const QImage &) { return false; }));
        QCOMPARE(dialogs.messageTexts(),
                 QStringList{u"カレントディレクトリーにPIK.BMPがありません"_s});
    }
};

PIKORO_TEST_CLASS(MascotDanceTest)
#include "tst_mascotdance.moc"
