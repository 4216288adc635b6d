#pragma once

#include "app/SingleInstance.h"

#include <QString>

class QLocalServer;

namespace pikoro {

// The single-instance guard on a local socket named per user. The running copy listens on it;
// a later start connects, sends an activation request and ends.
class LocalSocketSingleInstance : public SingleInstance {
    Q_OBJECT
public:
    // serverName: the socket's name; defaultServerName() unless a test needs its own.
    explicit LocalSocketSingleInstance(const QString &serverName = defaultServerName(),
                                       QObject *parent = nullptr);
    ~LocalSocketSingleInstance() override;

    // "pikoro-" + the user's numeric id, in the user's runtime folder (XDG_RUNTIME_DIR) where
    // there is one, else in the temporary folder: one running copy per user and runtime folder.
    static QString defaultServerName();

    bool anotherIsRunning() override;
    bool listen() override;
    void askRunningToActivate() override;

    QString serverName() const { return m_serverName; }

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer *m_server = nullptr;
};

} // namespace pikoro
