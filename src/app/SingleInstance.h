#pragma once

#include <QObject>

namespace pikoro {

// Tells whether another copy of the program already runs for this user, and lets a second
// start hand over to it: the running copy is asked to raise and restore its main window.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // True when another copy is running and answering. A guard left behind by a copy that
    // crashed does not count; it is cleared so that listen() can take over.
    virtual bool anotherIsRunning() = 0;

    // Makes this copy the running one, so later starts find it. False if that failed.
    virtual bool listen() = 0;

    // Asks the running copy to bring its main window to the front.
    virtual void askRunningToActivate() = 0;

signals:
    // In the running copy: a later start asked for the main window to come to the front.
    void activationRequested();
};

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
