#pragma once

#include <QLockFile>
#include <QString>

// Only one Tallyline runs per data directory: a lock file there, held for the
// whole run, readable by its owner only. A lock left behind by a process that
// no longer runs is taken over, and so is one that cannot be read or names
// another host, unless a live instance still holds it.
class InstanceLock
{
public:
    enum class Result {
        Acquired,
        HeldByAnother,  // another instance runs
        Failed,         // the lock file cannot be created (directory not writable)
    };

    static constexpr const char *FileName = "Tallyline.lock";

    explicit InstanceLock(const QString &directory);
    ~InstanceLock();

    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // waitMs > 0 waits that long for another instance to end (a relaunch
    // starts while the old instance is still closing).
    Result acquire(int waitMs = 0);
    void release();
    bool isHeld() const { return m_file.isLocked(); }
    QString filePath() const { return m_path; }

private:
    enum class TakeOver { Removed, NotStale, CannotRemove };
    bool ownerUnknownOrElsewhere() const;
    TakeOver removeUnusableLock();

    QString m_path;
    QLockFile m_file;
};
