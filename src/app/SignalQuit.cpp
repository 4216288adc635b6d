#include "app/SignalQuit.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pikoro {
namespace {

// The write end of the pipe the signal handler wakes the event loop through. A signal handler
// can reach nothing else; it is set once before the handlers are installed.
int wakeFd = -1;

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd, &byte, 1);
}

} // namespace

SignalQuit::SignalQuit(QObject *parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0)
        return;
    wakeFd = m_fds[0];
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(m_fds[1], &byte, 1);
        m_quitRequested = true;
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

SignalQuit::~SignalQuit() {
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
    wakeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

} // namespace pikoro
