#include "play/DanceAnimation.h"

#include <QDateTime>

namespace pikoro {

namespace {

QPoint stepOf(int direction) {
    switch (direction) {
    case DanceDirection::DownRight:
        return {1, 1};
    case DanceDirection::Right:
        return {1, 0};
    case DanceDirection::UpLeft:
        return {-1, -1};
    case DanceDirection::Left:
        return {-1, 0};
    }
    return {};
}

void stepSprite(DanceState &state, QSize area, int sprite) {
    const bool yellow = sprite == LeadYellowBird || sprite == TrailingYellowBird;
    const int stepSlot = sprite == TrailingYellowBird ? LeadYellowBird : sprite;
    int direction = sprite == TrailingYellowBird
                        ? trailingBirdDirection(state.directions[LeadYellowBird])
                        : state.directions[sprite];
    QRect &place = state.sprites[sprite];

    // Edges, in this order; a later rule overrides an earlier one.
    if (place.left() < 0)
        direction = DanceDirection::Right;
    if (place.left() + place.width() > area.width())
        direction = DanceDirection::Left;
    switch (sprite) {
    case LeadYellowBird:
    case TrailingYellowBird:
        if (place.top() < 0) {
            place.translate(50, 50);
            direction = DanceDirection::DownRight;
        }
        break;
    case FirstPinkBird:
        if (place.top() < 0) {
            place.moveTop(5);
            direction = DanceDirection::DownRight;
        }
        break;
    case SecondPinkBird:
        if (place.top() < 50) {
            place.translate(0, 15);
            direction = DanceDirection::DownRight;
        }
        break;
    }
    if (place.top() + place.height() > area.height()) {
        if (!yellow)
            place.translate(-10, -10);
        direction = DanceDirection::UpLeft;
    }
    if (sprite != TrailingYellowBird)
        state.directions[sprite] = direction;

    if (direction >= DanceDirection::DownRight && direction <= DanceDirection::Left) {
        state.facingLeft[sprite] =
            direction == DanceDirection::UpLeft || direction == DanceDirection::Left;
        state.steps[stepSlot] = stepOf(direction);
    }
    if (direction == DanceDirection::UpLeft && yellow) {
        if (!state.companionPlaced) {
            state.companions[NoteCompanion] = QPoint(area.width() / 2, area.height() - 100);
            state.companionVisible[NoteCompanion] = true;
            state.companionPlaced = true;
        }
        state.companions[NoteCompanion].ry() -= 1;
    } else if (direction == DanceDirection::Drift) {
        const int companion = yellow ? NoteCompanion : HeartCompanion;
        if (!state.companionPlaced) {
            state.companions[companion] =
                place.topLeft() + (yellow ? QPoint(10, -10) : QPoint(5, -5));
            state.companionVisible[companion] = true;
            state.companionPlaced = true;
        }
        state.companions[companion].ry() -= 1;
    }
    place.translate(state.steps[stepSlot]);
}

} // namespace

int trailingBirdDirection(int leadDirection) {
    return leadDirection + 1 > DanceDirection::Drift ? DanceDirection::Right : leadDirection + 1;
}

void danceStep(DanceState &state, QSize area) {
    for (const int sprite : {LeadYellowBird, FirstPinkBird, SecondPinkBird, TrailingYellowBird})
        stepSprite(state, area, sprite);
}

void newDanceDirections(DanceState &state, QRandomGenerator &random) {
    for (int &direction : state.directions)
        direction = int(random.bounded(5));
    state.companionPlaced = false;
    state.companionVisible = {false, false};
}

DanceAnimation::DanceAnimation(DanceView &view, QObject *parent) : QObject(parent), m_view(view) {
    m_stepTimer.setInterval(StepInterval);
    m_directionTimer.setInterval(DirectionInterval);
    connect(&m_stepTimer, &QTimer::timeout, this, &DanceAnimation::onStepTick);
    connect(&m_directionTimer, &QTimer::timeout, this, &DanceAnimation::onDirectionTick);
}

void DanceAnimation::setRandomSeed(quint32 seed) {
    m_random.seed(seed);
    m_seeded = true;
}

void DanceAnimation::start() {
    m_state.facingLeft = {false, true, true, false};
    if (!m_seeded)
        m_random.seed(quint32(QDateTime::currentMSecsSinceEpoch()));
    m_view.showDanceScene(m_state);
    m_stepTimer.start();
    m_directionTimer.start();
}

void DanceAnimation::stop() {
    m_stepTimer.stop();
    m_directionTimer.stop();
    m_view.hideDance();
}

void DanceAnimation::onStepTick() {
    danceStep(m_state, m_view.danceArea());
    m_view.showDanceScene(m_state);
}

void DanceAnimation::onDirectionTick() {
    newDanceDirections(m_state, m_random);
    m_view.showDanceScene(m_state);
}

} // namespace pikoro
