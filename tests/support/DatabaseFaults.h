#pragma once

#include <QString>
#include <QStringList>

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

// Faults of the file system under every SQLite database this process opens
// after install(), one at a time: the layer numbers each read, write and
// sync of the database, its write-ahead log and its journals from 1 on, and
// fails the armed one with an error code (SQLITE_IOERR_WRITE, SQLITE_FULL,
// ...) or ends the process there with _exit, as a crash or a power cut
// would. Shares its layer with DiskFullLayer.
class FileFaults
{
public:
    enum Op { Read, Write, Sync };

    static void install();
    // Counts from zero again and disarms; keeps what is being done.
    static void reset();
    // The nth operation of that kind fails with errorCode, once.
    static void failOnce(Op op, int nth, int errorCode);
    // Every operation of that kind from the nth on fails, until reset().
    static void failFrom(Op op, int nth, int errorCode);
    // The process ends with status before the nth operation of that kind.
    static void exitAt(Op op, int nth, int status);
    static int count(Op op);
    // Whether the armed fault has happened.
    static bool fired();

    // What the program is doing, named by the caller (a literal); each
    // operation notes it together with the file it went to, while
    // recording, so that a walk can say what each point wrote.
    static void setActivity(const char *activity);
    static void setRecording(bool on);
    static QString describe(Op op, int nth);
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
