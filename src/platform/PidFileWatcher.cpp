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

bool isPidFileName(const char *name)
{
    const size_t length = std::strlen(name);
    return length >= 7 && std::strncmp(name, "ppp", 3) == 0 && std::strcmp(name + length - 4, ".pid") == 0;
}

} // namespace

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
    bool changed = false;
    bool overflow = false;
    bool gone = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW)
                overflow = true;
            else if (event->wd == m_mainWatch && (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)))
                gone = true;
            else if (event->len > 0 && isPidFileName(event->name))
                changed = true;
        }
    }
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
