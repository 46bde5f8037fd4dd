#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// QLockFile takes a lock over only when the file names a process of this
// host that no longer runs. A file it cannot read (empty, garbage) or one
// naming another host it leaves alone for ever, and with a stale-lock time
// of 0 every later start would end at once. Such a file is taken over here,
// unless a live instance still holds it: QLockFile keeps an flock() on its
// lock file for as long as it holds it, whatever the file now says.

namespace {

// A lock file that is empty for this long is not one being written.
constexpr int EmptyLockGraceMs = 250;
constexpr int RetryIntervalMs = 100;

} // namespace

InstanceLock::InstanceLock(const QString &directory)
    : m_path(QDir(directory).filePath(QString::fromLatin1(FileName))), m_file(m_path)
{
    // The lock is held for days; only a dead owner makes it stale, never its age.
    m_file.setStaleLockTime(0);
}

InstanceLock::~InstanceLock()
{
    release();
}

bool InstanceLock::ownerUnknownOrElsewhere() const
{
    // QLockFile creates the file empty and fills it at once: an empty file
    // may belong to an instance starting right now.
    QDeadlineTimer grace(EmptyLockGraceMs);
    while (QFileInfo(m_path).size() == 0 && QFileInfo::exists(m_path) && !grace.hasExpired())
        QThread::msleep(10);

    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_file.getLockInfo(&pid, &host, &application))
        return true;
    return !host.isEmpty() && host != QSysInfo::machineHostName();
}

InstanceLock::TakeOver InstanceLock::removeUnusableLock()
{
    // One remover at a time (the same guard QLockFile uses), and the file
    // looked at again under it: another start may have replaced it already.
    QLockFile removing(m_path + QStringLiteral(".rmlock"));
    if (!removing.tryLock(0))
        return TakeOver::NotStale;
    if (!QFileInfo::exists(m_path))
        return TakeOver::Removed;
    if (!ownerUnknownOrElsewhere())
        return TakeOver::NotStale;

    const QByteArray name = QFile::encodeName(m_path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? TakeOver::Removed : TakeOver::CannotRemove;
    TakeOver result = TakeOver::Removed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        result = errno == EWOULDBLOCK ? TakeOver::NotStale : TakeOver::CannotRemove;
    else if (::unlink(name.constData()) != 0 && errno != ENOENT)
        result = TakeOver::CannotRemove;
    ::close(fd);
    return result;
}

InstanceLock::Result InstanceLock::acquire(int waitMs)
{
    if (m_file.isLocked())
        return Result::Acquired;
    const QDeadlineTimer deadline(qMax(0, waitMs));
    for (;;) {
        if (m_file.tryLock(0)) {
            // QLockFile creates it with the umask's mode.
            ::chmod(QFile::encodeName(m_path).constData(), 0600);
            return Result::Acquired;
        }
        if (m_file.error() != QLockFile::LockFailedError)
            return Result::Failed;
        if (ownerUnknownOrElsewhere()) {
            switch (removeUnusableLock()) {
            case TakeOver::Removed:
                continue;
            case TakeOver::CannotRemove:
                return Result::Failed;
            case TakeOver::NotStale:
                break;
            }
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return Result::HeldByAnother;
        QThread::msleep(quint64(qMin<qint64>(remaining, RetryIntervalMs)));
    }
}

void InstanceLock::release()
{
    if (m_file.isLocked())
        m_file.unlock();
}
