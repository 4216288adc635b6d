#pragma once

#include "app/SingleInstance.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace pikoro {

// The single-instance guard on a Unix socket named per user. The running copy listens on it;
// a later start connects, sends an activation request and ends. Plain sockets rather than Qt's
// network module: that module and the libraries it brings cost a start-up several milliseconds.
class LocalSocketSingleInstance : public SingleInstance {
    Q_OBJECT
public:
    // serverName: the socket's name, or its full path; defaultServerName() unless a test needs
    // its own. A bare name lives in the temporary folder.
    explicit LocalSocketSingleInstance(const QString &serverName = defaultServerName(),
                                       QObject *parent = nullptr);
    ~LocalSocketSingleInstance() override;

    // "pikoro-" + the user's numeric id, in the user's runtime folder (XDG_RUNTIME_DIR) where
    // there is one, else in the temporary folder: one running copy per user and runtime folder.
    static QString defaultServerName();

    bool anotherIsRunning() override;
    bool listen() override;
    void askRunningToActivate() override;

    // Where the socket file lives.
    QString socketPath() const { return m_path; }

private:
    struct Client {
        int fd = -1;
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray received;
    };

    // A connected socket to the running copy, or -1 with errno telling why not.
    int connectToRunning() const;
    void acceptConnections();
    void readFrom(Client &client);
    void closeServer();

    QString m_path;
    int m_listening = -1;
    std::unique_ptr<QSocketNotifier> m_acceptNotifier;
    std::vector<std::unique_ptr<Client>> m_clients;
};

} // namespace pikoro
