#include "platform/ProcessHandle.h"

#include <cerrno>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434
#endif
#ifndef SYS_pidfd_send_signal
#define SYS_pidfd_send_signal 424
#endif

ProcessHandle::ProcessHandle(qint64 pid)
{
    if (pid > 0)
        m_fd = int(syscall(SYS_pidfd_open, pid_t(pid), 0U));
    if (m_fd < 0)
        m_fd = -1;
}

ProcessHandle::~ProcessHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

ProcessHandle::ProcessHandle(ProcessHandle &&other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

ProcessHandle &ProcessHandle::operator=(ProcessHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool ProcessHandle::hasEnded() const
{
    if (m_fd < 0)
        return true;
    pollfd p{m_fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, 0);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

bool ProcessHandle::sendSignal(int signal) const
{
    return m_fd >= 0 && syscall(SYS_pidfd_send_signal, m_fd, signal, nullptr, 0U) == 0;
}

bool ProcessHandle::supported()
{
    static const bool answer = ProcessHandle(qint64(getpid())).isValid();
    return answer;
}
