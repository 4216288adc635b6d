#pragma once

#include <QObject>

class QSocketNotifier;

namespace pikoro {

// Ends the event loop cleanly when the system asks the process to end (SIGTERM, SIGINT,
// SIGHUP). That is not a close request of the window, which the play window refuses.
// A signal that arrives while a modal window is open also ends that window's own loop; start-up
// code that runs before the main loop checks quitRequested() and goes no further.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(QObject *parent = nullptr);
    ~SignalQuit() override;

    // True once one of the signals has arrived.
    bool quitRequested() const { return m_quitRequested; }

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_fds[2] = {-1, -1};
    bool m_quitRequested = false;
};

} // namespace pikoro
