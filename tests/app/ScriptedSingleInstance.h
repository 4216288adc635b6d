#pragma once

#include "app/SingleInstance.h"

namespace pikoro {

// For tests: another copy runs or not as the test says, or starts in the same moment and takes
// the name first (listen() fails though no copy was seen); every request is counted.
class ScriptedSingleInstance : public SingleInstance {
    Q_OBJECT
public:
    bool anotherIsRunning() override { return otherRunning; }
    bool listen() override { return listening = !otherRunning && !loseRace; }
    void askRunningToActivate() override { ++activationsAsked; }

    bool otherRunning = false;
    bool loseRace = false;
    bool listening = false;
    int activationsAsked = 0;
};

} // namespace pikoro
