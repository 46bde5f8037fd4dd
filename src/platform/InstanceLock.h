#pragma once

#include <QLockFile>
#include <QString>

// Only one Tallyline runs per data directory: a lock file there, held for the
// whole run. A lock left behind by a process that no longer runs is taken over.
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
    QString m_path;
    QLockFile m_file;
};
