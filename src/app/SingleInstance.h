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
    // crashed does not count; listen() takes it over.
    virtual bool anotherIsRunning() = 0;

    // Makes this copy the running one, so later starts find it. False if that failed.
    virtual bool listen() = 0;

    // Asks the running copy to bring its main window to the front.
    virtual void askRunningToActivate() = 0;

signals:
    // In the running copy: a later start asked for the main window to come to the front.
    void activationRequested();
};

} // namespace pikoro
