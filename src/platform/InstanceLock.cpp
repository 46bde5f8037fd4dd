#include "platform/InstanceLock.h"

#include <QDir>

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

InstanceLock::Result InstanceLock::acquire(int waitMs)
{
    if (m_file.isLocked())
        return Result::Acquired;
    if (m_file.tryLock(qMax(0, waitMs)))
        return Result::Acquired;
    return m_file.error() == QLockFile::LockFailedError ? Result::HeldByAnother : Result::Failed;
}

void InstanceLock::release()
{
    if (m_file.isLocked())
        m_file.unlock();
}
