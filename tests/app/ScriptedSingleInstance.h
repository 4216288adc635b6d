#pragma once

#include "app/SingleInstance.h"

namespace pikoro {

// For tests: another copy runs or not as the test says, or starts in the same moment and takes
// the name first (listen() fails though no copy was seen); every request is counted.
class ScriptedSingleInstance : public SingleInstance {
    Q_OBJECT
public:
    explicit ScriptedSingleInstance(bool otherRunning = false, QObject *parent = nullptr)
        : SingleInstance(parent), m_otherRunning(otherRunning) {}

    bool anotherIsRunning() override { return m_otherRunning; }
    bool listen() override {
        m_listening = !m_otherRunning && !m_loseRace;
        return m_listening;
    }
    void askRunningToActivate() override { ++m_activationsAsked; }

    void setOtherRunning(bool running) { m_otherRunning = running; }
    void setLoseRace(bool lose) { m_loseRace = lose; }
    bool isListening() const { return m_listening; }
    int activationsAsked() const { return m_activationsAsked; }

private:
    bool m_otherRunning;
    bool m_loseRace = false;
    bool m_listening = false;
    int m_activationsAsked = 0;
};

} // namespace pikoro
