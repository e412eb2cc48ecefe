#include "termination_signals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may do next to nothing: it passes the signal through a
// socket to the event loop, which does the closing.
int g_signalSocket[2] = {-1, -1};

void passToEventLoop(int signalNumber)
{
    // Whatever the signal interrupted may be about to read errno.
    const int savedErrno = errno;
    const char number = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t sent = ::write(g_signalSocket[0], &number, sizeof number);
    errno = savedErrno;
}

} // namespace

void closeWindowsOnTerminationSignals(QApplication &app)
{
    // Never blocking, so a flood of signals cannot stall the handler. Without
    // the socket the signals keep their default action.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalSocket) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalSocket[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char number = 0;
        [[maybe_unused]] const ssize_t received = ::read(g_signalSocket[1], &number, sizeof number);
        QApplication::closeAllWindows();
    });

    struct sigaction action = {};
    action.sa_handler = passToEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
