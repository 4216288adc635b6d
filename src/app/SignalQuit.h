#pragma once

#include <QObject>

class QSocketNotifier;

namespace pikoro {

// Ends the event loop cleanly when the system asks the process to end (SIGTERM, SIGINT,
// SIGHUP). That is not a close request of the window, which the play window refuses.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(QObject *parent = nullptr);
    ~SignalQuit() override;

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_fds[2] = {-1, -1};
};

} // namespace pikoro
