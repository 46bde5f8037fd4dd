#include "support/DatabaseFaults.h"

#include "store/Store.h"

#include <QFile>

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace testsupport {

namespace {

std::atomic<bool> diskFull{false};
sqlite3_vfs *realVfs = nullptr;
sqlite3_vfs layerVfs;
sqlite3_io_methods layerMethods;

// Our file object, followed in memory by the real layer's.
struct LayerFile {
    sqlite3_file base;
    sqlite3_file *real;
    const char *kind;
};

struct Armed {
    int op = -1;
    int nth = 0;
    int errorCode = SQLITE_OK;
    int exitStatus = -1;
    bool lasting = false;
    bool fired = false;
};

int counts[3] = {0, 0, 0};
Armed armed;
const char *activity = "";
bool recording = false;
std::vector<QString> noted[3];

// Numbers one operation; what it should do instead of going through.
int nextOperation(sqlite3_file *f, FileFaults::Op op)
{
    const int n = ++counts[op];
    if (recording)
        noted[op].push_back(QStringLiteral("%1 (%2)").arg(QLatin1String(activity),
                                                           QLatin1String(reinterpret_cast<LayerFile *>(f)->kind)));
    if (armed.op != op || (armed.lasting ? n < armed.nth : n != armed.nth))
        return SQLITE_OK;
    armed.fired = true;
    if (armed.exitStatus >= 0)
        ::_exit(armed.exitStatus);
    return armed.errorCode;
}

sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<LayerFile *>(f)->real;
}

int layerClose(sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); }
int layerRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off)
{
    if (const int rc = nextOperation(f, FileFaults::Read))
        return rc;
    return real(f)->pMethods->xRead(real(f), buf, n, off);
}
int layerWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off)
{
    if (diskFull.load())
        return SQLITE_FULL;
    if (const int rc = nextOperation(f, FileFaults::Write))
        return rc;
    return real(f)->pMethods->xWrite(real(f), buf, n, off);
}
int layerTruncate(sqlite3_file *f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int layerSync(sqlite3_file *f, int flags)
{
    if (const int rc = nextOperation(f, FileFaults::Sync))
        return rc;
    return real(f)->pMethods->xSync(real(f), flags);
}
int layerFileSize(sqlite3_file *f, sqlite3_int64 *size) { return real(f)->pMethods->xFileSize(real(f), size); }
int layerLock(sqlite3_file *f, int lock) { return real(f)->pMethods->xLock(real(f), lock); }
int layerUnlock(sqlite3_file *f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); }
int layerCheckReservedLock(sqlite3_file *f, int *out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int layerFileControl(sqlite3_file *f, int op, void *arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int layerSectorSize(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
int layerDeviceCharacteristics(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int layerShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **p)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int layerShmLock(sqlite3_file *f, int offset, int n, int flags) { return real(f)->pMethods->xShmLock(real(f), offset, n, flags); }
void layerShmBarrier(sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); }
int layerShmUnmap(sqlite3_file *f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); }

int layerOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    auto *file = reinterpret_cast<LayerFile *>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->kind = (flags & SQLITE_OPEN_MAIN_DB)  ? "database"
               : (flags & SQLITE_OPEN_WAL)      ? "write-ahead log"
               : (flags & SQLITE_OPEN_MAIN_JOURNAL) ? "journal"
                                                : "temporary file";
    const int rc = realVfs->xOpen(realVfs, name, file->real, flags, outFlags);
    if (rc == SQLITE_OK && file->real->pMethods) {
        // Memory mapping would let writes bypass xWrite; offer no more than version 2.
        layerMethods.iVersion = qMin(file->real->pMethods->iVersion, 2);
        file->base.pMethods = &layerMethods;
    }
    return rc;
}

} // namespace

void DiskFullLayer::install()
{
    if (realVfs)
        return;
    realVfs = sqlite3_vfs_find(nullptr);
    layerVfs = *realVfs;
    layerVfs.zName = "tallyline-disk-full";
    layerVfs.szOsFile = int(sizeof(LayerFile)) + realVfs->szOsFile;
    layerVfs.xOpen = layerOpen;
    std::memset(&layerMethods, 0, sizeof layerMethods);
    layerMethods.xClose = layerClose;
    layerMethods.xRead = layerRead;
    layerMethods.xWrite = layerWrite;
    layerMethods.xTruncate = layerTruncate;
    layerMethods.xSync = layerSync;
    layerMethods.xFileSize = layerFileSize;
    layerMethods.xLock = layerLock;
    layerMethods.xUnlock = layerUnlock;
    layerMethods.xCheckReservedLock = layerCheckReservedLock;
    layerMethods.xFileControl = layerFileControl;
    layerMethods.xSectorSize = layerSectorSize;
    layerMethods.xDeviceCharacteristics = layerDeviceCharacteristics;
    layerMethods.xShmMap = layerShmMap;
    layerMethods.xShmLock = layerShmLock;
    layerMethods.xShmBarrier = layerShmBarrier;
    layerMethods.xShmUnmap = layerShmUnmap;
    sqlite3_vfs_register(&layerVfs, 1);
}

void DiskFullLayer::setFull(bool full)
{
    diskFull.store(full);
}

void FileFaults::install()
{
    DiskFullLayer::install();
}

void FileFaults::reset()
{
    for (int op = Read; op <= Sync; ++op) {
        counts[op] = 0;
        noted[op].clear();
    }
    armed = Armed();
}

void FileFaults::failOnce(Op op, int nth, int errorCode)
{
    armed = Armed();
    armed.op = op;
    armed.nth = nth;
    armed.errorCode = errorCode;
}

void FileFaults::failFrom(Op op, int nth, int errorCode)
{
    failOnce(op, nth, errorCode);
    armed.lasting = true;
}

void FileFaults::exitAt(Op op, int nth, int status)
{
    armed = Armed();
    armed.op = op;
    armed.nth = nth;
    armed.exitStatus = status;
}

int FileFaults::count(Op op)
{
    return counts[op];
}

bool FileFaults::fired()
{
    return armed.fired;
}

void FileFaults::setActivity(const char *what)
{
    activity = what;
}

void FileFaults::setRecording(bool on)
{
    recording = on;
}

QString FileFaults::describe(Op op, int nth)
{
    return nth >= 1 && nth <= int(noted[op].size()) ? noted[op][size_t(nth - 1)] : QString();
}

WriteLockHolder::WriteLockHolder(const QString &databaseFile)
{
    if (sqlite3_open_v2(QFile::encodeName(databaseFile).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return;
    }
    char *err = nullptr;
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE; UPDATE keys SET name = name WHERE id = 1;", nullptr, nullptr, &err)
        != SQLITE_OK) {
        m_error = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        return;
    }
    m_held = true;
}

WriteLockHolder::~WriteLockHolder()
{
    release();
    sqlite3_close(m_db);
}

void WriteLockHolder::release()
{
    if (!m_held)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_held = false;
}

FailingValueWrite::FailingValueWrite(Store &store, const QString &valueName) : m_db(store.connectionForTesting())
{
    // The store keeps names folded; a name with a quote is not one of ours.
    const QByteArray folded = valueName.toCaseFolded().toUtf8().replace('\'', "''");
    const QByteArray sql = "CREATE TEMP TRIGGER failing_insert BEFORE INSERT ON main.key_values WHEN NEW.folded = '"
                           + folded + "' BEGIN SELECT RAISE(ABORT, 'refused write'); END;"
                           "CREATE TEMP TRIGGER failing_update BEFORE UPDATE ON main.key_values WHEN NEW.folded = '"
                           + folded + "' BEGIN SELECT RAISE(ABORT, 'refused write'); END;";
    char *err = nullptr;
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        m_error = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        return;
    }
    m_armed = true;
}

FailingValueWrite::~FailingValueWrite()
{
    sqlite3_exec(m_db, "DROP TRIGGER IF EXISTS temp.failing_insert; DROP TRIGGER IF EXISTS temp.failing_update;",
                 nullptr, nullptr, nullptr);
}

} // namespace testsupport
