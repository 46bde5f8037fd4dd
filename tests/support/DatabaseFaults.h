#pragma once

#include <QString>

struct sqlite3;
class Store;

namespace testsupport {

// A full disk for every SQLite database this process opens after install():
// a thin layer over the default file system layer whose writes fail with
// SQLITE_FULL, as the real one's do on ENOSPC, while setFull(true). Reads,
// locks and shared memory pass through untouched.
class DiskFullLayer
{
public:
    static void install();
    static void setFull(bool full);
};

// Another program's write transaction on a database file: a connection of
// its own that takes the write lock (and writes a value, uncommitted) until
// release() or destruction.
class WriteLockHolder
{
public:
    explicit WriteLockHolder(const QString &databaseFile);
    ~WriteLockHolder();
    bool isHeld() const { return m_held; }
    QString error() const { return m_error; }
    void release();

    WriteLockHolder(const WriteLockHolder &) = delete;
    WriteLockHolder &operator=(const WriteLockHolder &) = delete;

private:
    sqlite3 *m_db = nullptr;
    bool m_held = false;
    QString m_error;
};

// A value the database refuses to write: every insert or update of a value
// of that name, under any key, fails as a refused write does, until
// destruction. For showing that a record written in part is rolled back.
class FailingValueWrite
{
public:
    FailingValueWrite(Store &store, const QString &valueName);
    ~FailingValueWrite();
    bool isArmed() const { return m_armed; }
    QString error() const { return m_error; }

    FailingValueWrite(const FailingValueWrite &) = delete;
    FailingValueWrite &operator=(const FailingValueWrite &) = delete;

private:
    sqlite3 *m_db;
    bool m_armed = false;
    QString m_error;
};

} // namespace testsupport
