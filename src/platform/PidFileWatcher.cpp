#include "platform/PidFileWatcher.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t WatchedEvents = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE
    | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// The name field is padded with NULs to its length; it need not hold one.
bool isPidFileName(const char *name, size_t field)
{
    const size_t length = strnlen(name, field);
    return length >= 7 && std::strncmp(name, "ppp", 3) == 0 && std::memcmp(name + length - 4, ".pid", 4) == 0;
}

} // namespace

void ReadPidFileEvents(const char *buffer, size_t size, int mainWatch, PidFileEvents &events)
{
    size_t offset = 0;
    while (size - offset >= sizeof(inotify_event)) {
        inotify_event event;
        std::memcpy(&event, buffer + offset, sizeof event);
        const char *name = buffer + offset + sizeof event;
        // A record claiming more than what is left is not a record.
        if (event.len > size - offset - sizeof event)
            break;
        offset += sizeof event + event.len;
        if (event.mask & IN_Q_OVERFLOW)
            events.overflow = true;
        else if (event.wd == mainWatch && (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)))
            events.gone = true;
        else if (event.len > 0 && isPidFileName(name, event.len))
            events.changed = true;
    }
}

PidFileWatcher::PidFileWatcher(QObject *parent)
    : QObject(parent)
{
}

PidFileWatcher::~PidFileWatcher()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PidFileWatcher::open(const QStringList &folders)
{
    if (folders.isEmpty())
        return false;
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const int watch = inotify_add_watch(m_fd, QFile::encodeName(folders[i]).constData(), WatchedEvents);
        if (i == 0)
            m_mainWatch = watch;
    }
    if (m_mainWatch < 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PidFileWatcher::readEvents);
    return true;
}

void PidFileWatcher::readEvents()
{
    alignas(inotify_event) char buffer[8192];
    PidFileEvents events;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        ReadPidFileEvents(buffer, size_t(n), m_mainWatch, events);
    }
    const bool gone = events.gone;
    const bool overflow = events.overflow;
    const bool changed = events.changed;
    if (gone && m_notifier) {
        m_notifier->setEnabled(false);
        m_mainWatch = -1;
    }
    if (overflow)
        Q_EMIT overflowed();
    else if (changed)
        Q_EMIT pidFilesChanged();
    if (gone)
        Q_EMIT lost();
}
