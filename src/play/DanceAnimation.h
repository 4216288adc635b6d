#pragma once

#include <QObject>
#include <QPoint>
#include <QRandomGenerator>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <array>

namespace pikoro {

// The four dance sprites, in the order a dance step moves them. The two yellow birds share one
// step: the trailing one follows the lead's direction plus one. The two pink birds go their own
// ways.
enum DanceSpriteIndex {
    LeadYellowBird = 0,
    FirstPinkBird = 1,
    SecondPinkBird = 2,
    TrailingYellowBird = 3
};
// The two companions: NoteCompanion floats up from the yellow birds, HeartCompanion from the
// pink ones.
enum DanceCompanionIndex { NoteCompanion = 0, HeartCompanion = 1 };

// Directions of the dance: the step each gives, and Drift which keeps the step it had and lets
// a companion go.
struct DanceDirection {
    enum : int { DownRight = 0, Right = 1, UpLeft = 2, Left = 3, Drift = 4 };
};

// Where the sprites start inside the picture area, in pixels, each 25 x 25.
inline constexpr std::array<QRect, 4> DanceSpriteStart{
    {{152, 104, 25, 25}, {208, 72, 25, 25}, {280, 192, 25, 25}, {88, 40, 25, 25}}};

// Everything of the dance that lives on from one step to the next, in picture-area pixels.
// It also lives on from one dance to the next.
struct DanceState {
    std::array<QRect, 4> sprites = DanceSpriteStart;
    std::array<bool, 4> facingLeft{false, true, true, false};
    // Directions of the lead yellow bird and the two pink birds; the trailing yellow bird takes
    // the lead's direction plus one each step.
    std::array<int, 3> directions{};
    // Steps of the lead yellow bird (shared with the trailing one) and the two pink birds.
    std::array<QPoint, 3> steps{};
    std::array<QPoint, 2> companions{};
    std::array<bool, 2> companionVisible{};
    // A companion was placed since the last change of directions; one per period.
    bool companionPlaced = false;

    bool operator==(const DanceState &) const = default;
};

// The direction the trailing yellow bird dances in when the lead's is `leadDirection`.
int trailingBirdDirection(int leadDirection);

// One dance step for all four sprites in an area of `area` pixels: each sprite turns away from
// an edge it has crossed, faces the way it goes, perhaps releases its companion, and moves.
void danceStep(DanceState &state, QSize area);

// New random directions for the lead yellow bird and the pink birds; the companions are hidden and
// the next one may be placed.
void newDanceDirections(DanceState &state, QRandomGenerator &random);

// What the dance needs of the window: the picture area's size and a place to show the sprites.
class DanceView {
public:
    virtual ~DanceView() = default;
    // Size of the picture area in pixels (unzoomed: twips / 15).
    virtual QSize danceArea() const = 0;
    // Shows the four sprites at their places, facing as the state says, and each companion
    // at its place when visible (hidden otherwise).
    virtual void showDanceScene(const DanceState &state) = 0;
    // Hides the four sprites and both companions.
    virtual void hideDance() = 0;
};

// The dance of the F10 piece: a step every 150 ms and new directions every 3 s while it runs.
class DanceAnimation : public QObject {
    Q_OBJECT
public:
    static constexpr int StepInterval = 150;       // ms
    static constexpr int DirectionInterval = 3000; // ms

    explicit DanceAnimation(DanceView &view, QObject *parent = nullptr);

    // Shows the sprites with their opening pictures and starts both timers. The directions,
    // steps and places are those the previous dance left.
    void start();
    // Stops both timers and hides the sprites and companions.
    void stop();
    bool isRunning() const { return m_stepTimer.isActive(); }

    const DanceState &state() const { return m_state; }
    const QTimer &stepTimer() const { return m_stepTimer; }
    const QTimer &directionTimer() const { return m_directionTimer; }
    void setState(const DanceState &state) { m_state = state; }
    // Makes the directions repeatable; start() seeds from the clock otherwise.
    void setRandomSeed(quint32 seed);

public slots:
    // The step timer: one dance step, then the scene is shown.
    void onStepTick();
    // The direction timer: new directions, companions hidden.
    void onDirectionTick();

private:
    DanceView &m_view;
    DanceState m_state;
    QRandomGenerator m_random;
    bool m_seeded = false;
    QTimer m_stepTimer;
    QTimer m_directionTimer;
};

} // namespace pikoro
