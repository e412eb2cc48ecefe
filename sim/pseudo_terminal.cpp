#include "pseudo_terminal.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        const int saved = errno;
        close();
        errno = saved;
        fail("grantpt/unlockpt");
    }
    // Raw before anyone opens the slave, so nothing written early is echoed
    // back or translated. On Linux the master's termios calls act on the slave.
    termios raw{};
    if (::tcgetattr(m_master, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_master, TCSANOW, &raw);
    }
    const char *name = ::ptsname(m_master);
    if (name == nullptr) {
        const int saved = errno;
        close();
        errno = saved;
        fail("ptsname");
    }
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

void PseudoTerminal::close()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PseudoTerminal::writeAll(const QByteArray &bytes, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (m_master < 0)
            return false;
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        pollfd fd{m_master, POLLOUT, 0};
        ::poll(&fd, 1, int(std::min<qint64>(left, 50)));
    }
    return true;
}
