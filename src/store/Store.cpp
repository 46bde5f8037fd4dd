#include "store/Store.h"

#include "core/Errors.h"
#include "store/FloatText.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// 'Taly': marks a database file as ours.
constexpr int ApplicationId = 0x54616C79;
constexpr int SchemaVersion = 1;
constexpr qint64 HiveKeyId = 1;

QStringList pathParts(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString foldName(const QString &name)
{
    return name.toCaseFolded();
}

QString foldedPath(const QStringList &parts)
{
    QStringList folded;
    folded.reserve(parts.size());
    for (const QString &p : parts)
        folded.append(foldName(p));
    return folded.join(QLatin1Char('\\'));
}

class Statement
{
public:
    explicit Statement(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    ~Statement()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QString &s)
    {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindVariant(int i, int type, const QVariant &v)
    {
        switch (type) {
        case RegSz:
        case RegExpandSz:
            bind(i, v.toString());
            break;
        case RegDword:
        case RegQword:
            bind(i, v.toLongLong());
            break;
        default: {
            const QByteArray bytes = v.toByteArray();
            sqlite3_bind_blob(m_stmt, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    int step() { return sqlite3_step(m_stmt); }
    qint64 int64(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col));
    }
    QByteArray blob(int col) const
    {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, col));
        return QByteArray(p, sqlite3_column_bytes(m_stmt, col));
    }
    QVariant valueData(int type, int col) const
    {
        switch (type) {
        case RegSz:
        case RegExpandSz:
            return text(col);
        case RegDword:
        case RegQword:
            return int64(col);
        default:
            return blob(col);
        }
    }

private:
    sqlite3_stmt *m_stmt;
};

} // namespace

namespace {

QString notOursMessage(const QString &filePath, const QString &why)
{
    return QStringLiteral("The file '%1' is not a Tallyline database (%2). It has been left untouched.").arg(filePath, why);
}

QString cannotOpenMessage(const QString &filePath, const QString &why)
{
    return QStringLiteral("The Tallyline database '%1' could not be opened: %2.").arg(filePath, why);
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

const char *const SchemaSql =
    "CREATE TABLE keys ("
    " id INTEGER PRIMARY KEY,"
    " parent INTEGER REFERENCES keys(id),"
    " name TEXT NOT NULL,"
    " folded TEXT NOT NULL);"
    "CREATE UNIQUE INDEX keys_by_parent ON keys(parent, folded);"
    "CREATE TABLE key_values ("
    " key INTEGER NOT NULL REFERENCES keys(id),"
    " name TEXT NOT NULL,"
    " folded TEXT NOT NULL,"
    " type INTEGER NOT NULL,"
    " data);"
    "CREATE UNIQUE INDEX values_by_key ON key_values(key, folded);"
    "INSERT INTO keys(id, parent, name, folded) VALUES (1, NULL, '', '');"
    // Full paths, for reading the store with the sqlite3 shell.
    "CREATE VIEW key_paths(id, path) AS"
    " WITH RECURSIVE p(id, path) AS ("
    "  SELECT id, '' FROM keys WHERE parent IS NULL"
    "  UNION ALL SELECT k.id, CASE p.path WHEN '' THEN k.name ELSE p.path || '\\' || k.name END"
    "  FROM keys k JOIN p ON k.parent = p.id)"
    " SELECT id, path FROM p;"
    "CREATE VIEW tree(path, name, type, data) AS"
    " SELECT key_paths.path, v.name, v.type, v.data FROM key_values v"
    " JOIN key_paths ON key_paths.id = v.key;";

// The per-day session totals beside the key tree. Each statement is kept
// as written: at opening, what the database holds is compared with it, and
// anything missing or different (an older version, a hand edit) makes
// everything here anew and out of step, to be rebuilt from the tree.
constexpr int SessionSummaryFormat = 1;

// Session day keys are the keys below a key named "Sessions"; a value
// written, changed or removed there, by whatever program, puts the
// summary out of step until someone who summarises the change puts it back.
#define TL_SESSION_DAY_KEY(id) "(SELECT p.folded FROM keys k JOIN keys p ON p.id = k.parent WHERE k.id = " id ") = 'sessions'"
#define TL_OUT_OF_STEP " BEGIN UPDATE session_summary_state SET in_step = 0 WHERE in_step <> 0; END"

const char *const SessionSummarySchema[][2] = {
    {"session_day_totals",
     "CREATE TABLE session_day_totals ("
     " user INTEGER NOT NULL, day INTEGER NOT NULL,"
     " sessions INTEGER NOT NULL, seconds INTEGER NOT NULL, cost REAL NOT NULL, downloaded INTEGER NOT NULL,"
     " damaged INTEGER NOT NULL,"
     " PRIMARY KEY (user, day)) WITHOUT ROWID"},
    {"session_summary_state",
     "CREATE TABLE session_summary_state ("
     " id INTEGER PRIMARY KEY CHECK (id = 1),"
     " format INTEGER NOT NULL, in_step INTEGER NOT NULL, summary_writer INTEGER NOT NULL)"},
    {"session_summary_value_inserted",
     "CREATE TRIGGER session_summary_value_inserted AFTER INSERT ON key_values WHEN "
     TL_SESSION_DAY_KEY("NEW.key") TL_OUT_OF_STEP},
    {"session_summary_value_updated",
     "CREATE TRIGGER session_summary_value_updated AFTER UPDATE ON key_values WHEN "
     TL_SESSION_DAY_KEY("OLD.key") " OR " TL_SESSION_DAY_KEY("NEW.key") TL_OUT_OF_STEP},
    {"session_summary_value_deleted",
     "CREATE TRIGGER session_summary_value_deleted AFTER DELETE ON key_values WHEN "
     TL_SESSION_DAY_KEY("OLD.key") TL_OUT_OF_STEP},
    // The store removes a key's values before the key; these catch keys
    // removed, renamed or given values by hand.
    {"session_summary_key_deleted",
     "CREATE TRIGGER session_summary_key_deleted AFTER DELETE ON keys WHEN"
     " OLD.folded IN ('sessions', 'users', 'tallyline', 'kelmora', 'software') OR OLD.folded GLOB 'user[0-9]*'"
     " OR (SELECT folded FROM keys WHERE id = OLD.parent) = 'sessions'" TL_OUT_OF_STEP},
    {"session_summary_key_moved",
     "CREATE TRIGGER session_summary_key_moved AFTER UPDATE OF parent, folded ON keys" TL_OUT_OF_STEP},
    {"session_summary_key_inserted",
     "CREATE TRIGGER session_summary_key_inserted AFTER INSERT ON keys WHEN"
     " EXISTS (SELECT 1 FROM key_values WHERE key = NEW.id)" TL_OUT_OF_STEP},
    // Rows changed by anyone but the summary's own writer.
    {"session_summary_row_inserted",
     "CREATE TRIGGER session_summary_row_inserted AFTER INSERT ON session_day_totals WHEN"
     " (SELECT summary_writer FROM session_summary_state) IS NOT 1" TL_OUT_OF_STEP},
    {"session_summary_row_updated",
     "CREATE TRIGGER session_summary_row_updated AFTER UPDATE ON session_day_totals WHEN"
     " (SELECT summary_writer FROM session_summary_state) IS NOT 1" TL_OUT_OF_STEP},
    {"session_summary_row_deleted",
     "CREATE TRIGGER session_summary_row_deleted AFTER DELETE ON session_day_totals WHEN"
     " (SELECT summary_writer FROM session_summary_state) IS NOT 1" TL_OUT_OF_STEP},
};

#undef TL_SESSION_DAY_KEY
#undef TL_OUT_OF_STEP

// Builds a new database beside the target and moves it into place only when
// it is complete: a crash while creating leaves no half-made file behind
// that a later start would take for a foreign one.
void createDatabaseFile(const QString &filePath)
{
    const QByteArray target = QFile::encodeName(filePath);
    QByteArray temp = target + ".new-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // mode 0600; SQLite gives its journals the same mode
    if (fd < 0) {
        throw StoreOpenError(QStringLiteral("The Tallyline database '%1' could not be created: %2.")
                                 .arg(filePath, errnoText(errno)));
    }
    ::close(fd);
    const auto fail = [&](const QString &why) {
        ::unlink(temp.constData());
        ::unlink((temp + "-journal").constData());
        throw StoreOpenError(QStringLiteral("The Tallyline database '%1' could not be created: %2.").arg(filePath, why));
    };
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(temp.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        fail(why);
    }
    const QByteArray sql = QByteArray("PRAGMA application_id = ") + QByteArray::number(ApplicationId)
                         + "; PRAGMA user_version = " + QByteArray::number(SchemaVersion)
                         + "; BEGIN; " + SchemaSql + " COMMIT;";
    char *err = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString why = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        sqlite3_close(db);
        fail(why);
    }
    if (sqlite3_close(db) != SQLITE_OK)
        fail(QStringLiteral("the new file could not be closed"));
    // Never replace a file that appeared meanwhile.
    if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        if (error == EEXIST) {
            ::unlink(temp.constData());
            return;
        }
        if ((error != EINVAL && error != ENOSYS) || ::rename(temp.constData(), target.constData()) != 0)
            fail(errnoText(errno));
    }
    const QByteArray dir = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// Looks at the file's first bytes only, so that a file that is not ours is
// never handed to SQLite (which could, for instance, roll back another
// program's journal into it).
void checkHeader(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreOpenError(cannotOpenMessage(filePath, file.errorString()));
    const QByteArray header = file.read(100);
    if (header.isEmpty())
        throw StoreOpenError(notOursMessage(filePath, QStringLiteral("the file is empty")));
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw StoreOpenError(notOursMessage(filePath, QStringLiteral("it is not an SQLite database")));
    const auto b = [&header](int i) { return quint32(quint8(header[i])); };
    const quint32 appId = (b(68) << 24) | (b(69) << 16) | (b(70) << 8) | b(71);
    if (appId != quint32(ApplicationId))
        throw StoreOpenError(notOursMessage(filePath, QStringLiteral("it is the database of another program")));
}

} // namespace

std::unique_ptr<Store> Store::open(const QString &filePath)
{
    const QByteArray native = QFile::encodeName(filePath);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno != ENOENT)
            throw StoreOpenError(cannotOpenMessage(filePath, errnoText(errno)));
        createDatabaseFile(filePath);
    } else if (!S_ISREG(st.st_mode)) {
        throw StoreOpenError(cannotOpenMessage(filePath, QStringLiteral("it is not a file")));
    }
    checkHeader(filePath);
    std::unique_ptr<Store> store(new Store(filePath));
    store->openDatabase();
    return store;
}

std::unique_ptr<Store> Store::openReadOnly(const QString &filePath, int busyTimeoutMs)
{
    const QByteArray native = QFile::encodeName(filePath);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        throw StoreOpenError(cannotOpenMessage(filePath, errnoText(errno)));
    if (!S_ISREG(st.st_mode))
        throw StoreOpenError(cannotOpenMessage(filePath, QStringLiteral("it is not a file")));
    checkHeader(filePath);
    std::unique_ptr<Store> store(new Store(filePath));
    store->m_readOnly = true;
    store->m_busyTimeoutMs = busyTimeoutMs;
    store->openDatabase();
    return store;
}

Store::Store(const QString &filePath) : m_filePath(filePath) {}

Store::~Store()
{
    for (sqlite3_stmt *stmt : std::as_const(m_statements))
        sqlite3_finalize(stmt);
    if (m_db)
        sqlite3_close(m_db);
}

void Store::openDatabase()
{
    const QByteArray native = QFile::encodeName(m_filePath);
    const auto fail = [this](const QString &why) {
        // A reader kept out by another program's lock may simply try again.
        if (m_readOnly && m_db && lastCause() == StoreError::Cause::Locked)
            throw StoreError(cannotOpenMessage(m_filePath, why), StoreError::Cause::Locked);
        return StoreOpenError(cannotOpenMessage(m_filePath, why));
    };
    const int access = m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(native.constData(), &m_db, access | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        throw fail(why);
    }
    sqlite3_extended_result_codes(m_db, 1);
    // Everything runs on the user-interface thread: a lock held by another
    // program must not freeze the window. A write that finds the database
    // locked fails soon, and the session keeps its values to write later.
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
    if (m_readOnly) {
        // The last connection to close would otherwise try to fold the
        // journal back into the file.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    } else if (sqlite3_db_readonly(m_db, "main") == 1) {
        throw fail(QStringLiteral("the file is read-only"));
    }

    const auto single = [this](const char *sql, QString &text) {
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return rc == SQLITE_OK || rc == SQLITE_DONE;
    };

    // WAL: a process killed at any moment leaves every committed transaction
    // in place. NORMAL synchronisation keeps that promise for process crashes;
    // a power loss can drop the last few commits, but never corrupts the file.
    // A reader takes the journal as it finds it.
    QString mode;
    if (!m_readOnly && !single("PRAGMA journal_mode=WAL", mode))
        throw fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    if (!m_readOnly && mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw fail(QStringLiteral("its journal cannot be kept beside it (journal mode '%1')").arg(mode));
    QString version;
    if (!single("PRAGMA user_version", version))
        throw fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    if (version.toInt() > SchemaVersion)
        throw fail(QStringLiteral("it was written by a newer version of Tallyline"));
    QString tables;
    if (!single("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('keys', 'key_values')", tables))
        throw fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    if (tables.toInt() != 2)
        throw fail(QStringLiteral("its tables are missing"));
    char *err = nullptr;
    if (sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString why = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        throw fail(why);
    }
    prepareSessionSummary();
}

void Store::prepareSessionSummary()
{
    m_sessionSummaryUsable = false;
    bool intact = true;
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT sql FROM sqlite_master WHERE name = ?1", -1, &stmt, nullptr) != SQLITE_OK)
            return;
        for (const auto &entry : SessionSummarySchema) {
            sqlite3_bind_text(stmt, 1, entry[0], -1, SQLITE_STATIC);
            const bool same = sqlite3_step(stmt) == SQLITE_ROW
                           && std::strcmp(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), entry[1]) == 0;
            sqlite3_reset(stmt);
            if (!same) {
                intact = false;
                break;
            }
        }
        sqlite3_finalize(stmt);
    }
    if (intact) {
        sqlite3_stmt *stmt = nullptr;
        intact = sqlite3_prepare_v2(m_db, "SELECT format FROM session_summary_state WHERE id = 1", -1, &stmt, nullptr)
                     == SQLITE_OK
              && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) == SessionSummaryFormat;
        sqlite3_finalize(stmt);
    }
    if (!intact && m_readOnly)
        return;  // the totals read the tree itself
    if (!intact) {
        QByteArray sql = "BEGIN IMMEDIATE;";
        for (const auto &entry : SessionSummarySchema) {
            if (std::strncmp(entry[1], "CREATE TRIGGER", 14) == 0)
                sql += QByteArray("DROP TRIGGER IF EXISTS ") + entry[0] + ";";
        }
        sql += "DROP TABLE IF EXISTS session_day_totals; DROP TABLE IF EXISTS session_summary_state;";
        for (const auto &entry : SessionSummarySchema)
            sql += QByteArray(entry[1]) + ";";
        // A tree without sessions is summarised by no rows at all.
        sql += "INSERT INTO session_summary_state(id, format, in_step, summary_writer) VALUES (1, "
             + QByteArray::number(SessionSummaryFormat)
             + ", NOT EXISTS (SELECT 1 FROM keys WHERE folded = 'sessions'), 0); COMMIT;";
        if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            // Locked by another program, say: the totals read the tree itself
            // until a later start manages it.
            if (!sqlite3_get_autocommit(m_db))
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return;
        }
    }
    m_sessionSummaryUsable = true;
}

sqlite3_stmt *Store::prepare(const char *sql)
{
    // Statements are string literals: their address identifies them.
    auto it = m_statements.constFind(sql);
    if (it != m_statements.constEnd())
        return it.value();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
        throwSqlite(QStringLiteral("prepare"));
    m_statements.insert(sql, stmt);
    return stmt;
}

void Store::exec(const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString why = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        throw StoreError(QStringLiteral("Database error in '%1': %2").arg(m_filePath, why), lastCause());
    }
}

void Store::throwSqlite(const QString &what)
{
    throw StoreError(QStringLiteral("Database error (%1) in '%2': %3")
                         .arg(what, m_filePath, QString::fromUtf8(sqlite3_errmsg(m_db))),
                     lastCause());
}

StoreError::Cause Store::lastCause() const
{
    switch (sqlite3_extended_errcode(m_db) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreError::Cause::Locked;
    case SQLITE_FULL:
        return StoreError::Cause::DiskFull;
    case SQLITE_IOERR:
        return StoreError::Cause::IoError;
    default:
        return StoreError::Cause::Other;
    }
}

void Store::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(m_db, ms);
}

QString Store::hivePathOf(const QString &keyPath)
{
    QString path = QString::fromLatin1(RootPath);
    QString rel = keyPath;
    while (rel.startsWith(QLatin1Char('\\')))
        rel.remove(0, 1);
    return path + rel;
}

qint64 Store::findChild(qint64 parent, const QString &name)
{
    Statement st(prepare("SELECT id FROM keys WHERE parent = ?1 AND folded = ?2"));
    st.bind(1, parent);
    st.bind(2, foldName(name));
    const int rc = st.step();
    if (rc == SQLITE_ROW)
        return st.int64(0);
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read key"));
    return 0;
}

qint64 Store::insertChild(qint64 parent, const QString &name)
{
    Statement st(prepare("INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3)"));
    st.bind(1, parent);
    st.bind(2, name);
    st.bind(3, foldName(name));
    if (st.step() != SQLITE_DONE)
        return 0;
    return sqlite3_last_insert_rowid(m_db);
}

qint64 Store::findKey(const QString &hivePath)
{
    const QStringList parts = pathParts(hivePath);
    if (parts.isEmpty())
        return HiveKeyId;
    const QString folded = foldedPath(parts);
    const auto cached = m_keyCache.constFind(folded);
    if (cached != m_keyCache.constEnd())
        return cached.value();
    qint64 id = HiveKeyId;
    for (const QString &part : parts) {
        id = findChild(id, part);
        if (id == 0)
            return 0;
    }
    m_keyCache.insert(folded, id);
    return id;
}

qint64 Store::ensureKey(const QString &hivePath, const QString &valueNameForError)
{
    const qint64 existing = findKey(hivePath);
    if (existing != 0)
        return existing;
    const QStringList parts = pathParts(hivePath);
    qint64 id = HiveKeyId;
    for (const QString &part : parts) {
        qint64 child = findChild(id, part);
        if (child == 0)
            child = insertChild(id, part);
        if (child == 0)
            throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(valueNameForError), lastCause());
        id = child;
    }
    m_keyCache.insert(foldedPath(parts), id);
    return id;
}

void Store::forgetCachedKeys()
{
    m_keyCache.clear();
}

bool Store::readRaw(qint64 key, const QString &valueName, int &type, QVariant &data)
{
    Statement st(prepare("SELECT type, data FROM key_values WHERE key = ?1 AND folded = ?2"));
    st.bind(1, key);
    st.bind(2, foldName(valueName));
    const int rc = st.step();
    if (rc == SQLITE_ROW) {
        type = int(st.int64(0));
        data = st.valueData(type, 1);
        return true;
    }
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read value"));
    return false;
}

void Store::writeRaw(const QString &hivePath, const QString &valueName, int type, const QVariant &data)
{
    // A write that must create keys first is one change, not several.
    if (m_transactionDepth == 0 && findKey(hivePath) == 0) {
        Transaction tx(*this);
        upsertValue(ensureKey(hivePath, valueName), valueName, type, data);
        try {
            tx.commit();
        } catch (const StoreError &e) {
            throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(valueName), e.cause());
        }
        return;
    }
    upsertValue(ensureKey(hivePath, valueName), valueName, type, data);
}

void Store::upsertValue(qint64 key, const QString &valueName, int type, const QVariant &data)
{
    // A DWORD is 32 bits whatever the caller hands in; keeping it signed
    // makes every path (integer writer, backup import) store the same number.
    const QVariant stored = type == RegDword ? QVariant(qint64(qint32(quint32(data.toLongLong())))) : data;
    Statement st(prepare("INSERT INTO key_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
                         " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data"));
    st.bind(1, key);
    st.bind(2, valueName);
    st.bind(3, foldName(valueName));
    st.bind(4, qint64(type));
    st.bindVariant(5, type, stored);
    if (st.step() != SQLITE_DONE)
        throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(valueName), lastCause());
}

bool Store::ReadStoreInteger(const QString &valueName, const QString &keyPath, int &value)
{
    const qint64 key = findKey(hivePathOf(keyPath));
    if (key == 0)
        return false;
    int type = RegNone;
    QVariant data;
    if (!readRaw(key, valueName, type, data))
        return false;
    if (type != RegDword)
        throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(valueName));
    value = int(qint32(data.toLongLong()));
    return true;
}

void Store::WriteStoreInteger(const QString &valueName, const QString &keyPath, int value)
{
    writeRaw(hivePathOf(keyPath), valueName, RegDword, qint64(value));
}

QString Store::ReadStoreString(const QString &valueName, const QString &keyPath)
{
    const qint64 key = findKey(hivePathOf(keyPath));
    if (key == 0)
        return QString();
    int type = RegNone;
    QVariant data;
    if (!readRaw(key, valueName, type, data))
        return QString();
    if (type != RegSz && type != RegExpandSz)
        throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(valueName));
    return data.toString();
}

void Store::WriteStoreString(const QString &valueName, const QString &keyPath, const QString &text)
{
    writeRaw(hivePathOf(keyPath), valueName, RegSz, text.isNull() ? QStringLiteral("") : text);
}

double Store::ReadStoreFloat(const QString &valueName, const QString &keyPath)
{
    QString text = ReadStoreString(valueName, keyPath);
    if (text.isEmpty())
        text = QStringLiteral("0");
    return StoreTextToFloat(text);
}

void Store::WriteStoreFloat(const QString &valueName, const QString &keyPath, double value)
{
    writeRaw(hivePathOf(keyPath), valueName, RegSz, FloatToStoreText(value));
}

bool Store::ReadStoreBool(const QString &valueName, const QString &keyPath, bool &flag)
{
    int value = 0;
    if (!ReadStoreInteger(valueName, keyPath, value))
        return false;
    flag = value != 0;
    return true;
}

void Store::WriteStoreBool(const QString &valueName, const QString &keyPath, bool flag)
{
    writeRaw(hivePathOf(keyPath), valueName, RegDword, qint64(flag ? 1 : 0));
}

void Store::WriteAbsoluteString(const QString &keyPath, const QString &valueName, const QString &text)
{
    writeRaw(keyPath, valueName, RegSz, text.isNull() ? QStringLiteral("") : text);
}

void Store::MoveStoreKey(const QString &oldPath, const QString &newPath)
{
    const QString oldHive = hivePathOf(oldPath);
    const QString newHive = hivePathOf(newPath);
    const qint64 from = findKey(oldHive);
    if (from == 0 || findKey(newHive) != 0)
        return;
    QStringList newParts = pathParts(newHive);
    if (newParts.isEmpty())
        return;
    // A key cannot be moved below itself: the copy would never end.
    const QString oldFolded = foldedPath(pathParts(oldHive));
    if (foldedPath(newParts).startsWith(oldFolded + QLatin1Char('\\')))
        return;
    const QString newName = newParts.takeLast();
    Transaction tx(*this);
    const qint64 parent = ensureKey(newParts.join(QLatin1Char('\\')), newName);
    copyKeyTree(from, parent, newName);
    deleteKeyById(from);
    tx.commit();
}

void Store::CopyStoreKey(const QString &oldPath, const QString &newPath)
{
    const QString oldHive = hivePathOf(oldPath);
    const QString newHive = hivePathOf(newPath);
    const qint64 from = findKey(oldHive);
    if (from == 0)
        return;
    QStringList newParts = pathParts(newHive);
    if (newParts.isEmpty())
        return;
    const QString oldFolded = foldedPath(pathParts(oldHive));
    const QString newFolded = foldedPath(newParts);
    // Neither may hold the other: the copy would never end, or replacing the
    // target would delete the source.
    if (newFolded == oldFolded || newFolded.startsWith(oldFolded + QLatin1Char('\\'))
        || oldFolded.startsWith(newFolded + QLatin1Char('\\')))
        return;
    const QString newName = newParts.takeLast();
    Transaction tx(*this);
    if (const qint64 existing = findKey(newHive))
        deleteKeyById(existing);
    const qint64 parent = ensureKey(newParts.join(QLatin1Char('\\')), newName);
    copyKeyTree(from, parent, newName);
    tx.commit();
}

void Store::copyKeyTree(qint64 from, qint64 toParent, const QString &toName)
{
    const qint64 to = insertChild(toParent, toName);
    if (to == 0)
        throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(toName), lastCause());
    {
        Statement st(prepare("INSERT INTO key_values(key, name, folded, type, data)"
                             " SELECT ?2, name, folded, type, data FROM key_values WHERE key = ?1 ORDER BY rowid"));
        st.bind(1, from);
        st.bind(2, to);
        if (st.step() != SQLITE_DONE)
            throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(toName), lastCause());
    }
    QList<QPair<qint64, QString>> children;
    {
        Statement st(prepare("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY id"));
        st.bind(1, from);
        int rc;
        while ((rc = st.step()) == SQLITE_ROW)
            children.append({st.int64(0), st.text(1)});
        if (rc != SQLITE_DONE)
            throwSqlite(QStringLiteral("copy key"));
    }
    for (const auto &child : std::as_const(children))
        copyKeyTree(child.first, to, child.second);
}

void Store::deleteKeyById(qint64 id)
{
    if (id == HiveKeyId)
        return;
    {
        Statement st(prepare("WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL"
                             " SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
                             " DELETE FROM key_values WHERE key IN (SELECT id FROM sub)"));
        st.bind(1, id);
        if (st.step() != SQLITE_DONE)
            throwSqlite(QStringLiteral("delete key"));
    }
    {
        Statement st(prepare("WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL"
                             " SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
                             " DELETE FROM keys WHERE id IN (SELECT id FROM sub)"));
        st.bind(1, id);
        if (st.step() != SQLITE_DONE)
            throwSqlite(QStringLiteral("delete key"));
    }
    forgetCachedKeys();
}

void Store::RenameStoreValue(const QString &keyPath, const QString &oldName, const QString &newName)
{
    const qint64 key = ensureKey(hivePathOf(keyPath), newName);
    if (foldName(oldName) == foldName(newName)) {
        Statement st(prepare("UPDATE key_values SET name = ?3 WHERE key = ?1 AND folded = ?2"));
        st.bind(1, key);
        st.bind(2, foldName(oldName));
        st.bind(3, newName);
        if (st.step() != SQLITE_DONE)
            throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(newName), lastCause());
        return;
    }
    int type = RegNone;
    QVariant data;
    if (!readRaw(key, oldName, type, data))
        return;
    int existingType = RegNone;
    QVariant existing;
    if (readRaw(key, newName, existingType, existing))
        return;
    Statement st(prepare("UPDATE key_values SET name = ?3, folded = ?4 WHERE key = ?1 AND folded = ?2"));
    st.bind(1, key);
    st.bind(2, foldName(oldName));
    st.bind(3, newName);
    st.bind(4, foldName(newName));
    if (st.step() != SQLITE_DONE)
        throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(newName), lastCause());
}

void Store::DeleteStoreKey(const QString &keyPath)
{
    deleteKeyTree(hivePathOf(keyPath));
}

void Store::deleteKeyTree(const QString &hivePath)
{
    const qint64 id = findKey(hivePath);
    if (id == 0 || id == HiveKeyId)
        return;
    Transaction tx(*this);
    deleteKeyById(id);
    tx.commit();
}

void Store::DeleteStoreValue(const QString &keyPath, const QString &valueName)
{
    const qint64 key = ensureKey(hivePathOf(keyPath), valueName);
    Statement st(prepare("DELETE FROM key_values WHERE key = ?1 AND folded = ?2"));
    st.bind(1, key);
    st.bind(2, foldName(valueName));
    if (st.step() != SQLITE_DONE)
        throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(valueName), lastCause());
}

void Store::DeleteNumberedRecord(const QString &recordsPath, const QString &recordPrefix, int k,
                                 const QString &countKeyPath, const QString &countValueName)
{
    int count = 0;
    ReadStoreInteger(countValueName, countKeyPath, count);
    // Outside 1..count there is no such record; lowering the count anyway
    // would hide the last real one.
    if (k < 1 || k > count)
        return;
    QString base = recordsPath;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('\\')))
        base += QLatin1Char('\\');
    Transaction tx(*this);
    DeleteStoreKey(base + recordPrefix + QString::number(k));
    for (int j = k + 1; j <= count; ++j)
        MoveStoreKey(base + recordPrefix + QString::number(j), base + recordPrefix + QString::number(j - 1));
    WriteStoreInteger(countValueName, countKeyPath, count - 1);
    tx.commit();
}

bool Store::keyExists(const QString &hivePath)
{
    return findKey(hivePath) != 0;
}

QStringList Store::subkeyNames(const QString &hivePath)
{
    QStringList names;
    const qint64 id = findKey(hivePath);
    if (id == 0)
        return names;
    Statement st(prepare("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY id"));
    st.bind(1, id);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        names.append(st.text(1));
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("list keys"));
    return names;
}

QList<StoreValue> Store::values(const QString &hivePath)
{
    QList<StoreValue> result;
    const qint64 id = findKey(hivePath);
    if (id == 0)
        return result;
    Statement st(prepare("SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY rowid"));
    st.bind(1, id);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        StoreValue v;
        v.name = st.text(0);
        v.type = int(st.int64(1));
        v.data = st.valueData(v.type, 2);
        result.append(v);
    }
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("list values"));
    return result;
}

bool Store::readValue(const QString &hivePath, const QString &valueName, StoreValue &out)
{
    const qint64 id = findKey(hivePath);
    if (id == 0)
        return false;
    int type = RegNone;
    QVariant data;
    if (!readRaw(id, valueName, type, data))
        return false;
    Statement st(prepare("SELECT name FROM key_values WHERE key = ?1 AND folded = ?2"));
    st.bind(1, id);
    st.bind(2, foldName(valueName));
    out.name = st.step() == SQLITE_ROW ? st.text(0) : valueName;
    out.type = type;
    out.data = data;
    return true;
}

void Store::setValue(const QString &hivePath, const StoreValue &value)
{
    writeRaw(hivePath, value.name, value.type, value.data);
}

void Store::removeValue(const QString &hivePath, const QString &valueName)
{
    const qint64 key = findKey(hivePath);
    if (key == 0)
        return;
    Statement st(prepare("DELETE FROM key_values WHERE key = ?1 AND folded = ?2"));
    st.bind(1, key);
    st.bind(2, foldName(valueName));
    if (st.step() != SQLITE_DONE)
        throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(valueName), lastCause());
}

void Store::createKey(const QString &hivePath)
{
    ensureKey(hivePath, pathParts(hivePath).value(pathParts(hivePath).size() - 1));
}

void Store::clear()
{
    Transaction tx(*this);
    exec("DELETE FROM key_values");
    exec("DELETE FROM keys WHERE id <> 1");
    forgetCachedKeys();
    tx.commit();
}

bool Store::visitValues(const QString &keyPath, const std::function<void(const RawValue &)> &visit)
{
    const qint64 id = findKey(hivePathOf(keyPath));
    if (id == 0)
        return false;
    sqlite3_stmt *stmt = prepare("SELECT folded, type, data FROM key_values WHERE key = ?1");
    Statement st(stmt);
    st.bind(1, id);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        RawValue v;
        v.foldedName = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                      sqlite3_column_bytes(stmt, 0));
        v.type = sqlite3_column_int(stmt, 1);
        if (v.type == RegSz || v.type == RegExpandSz) {
            v.text = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 2)),
                                    sqlite3_column_bytes(stmt, 2));
        } else if (v.type == RegDword || v.type == RegQword) {
            v.integer = sqlite3_column_int64(stmt, 2);
        }
        visit(v);
    }
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read values"));
    return true;
}

bool Store::visitTree(const QString &hivePath, TreeVisitor &visitor)
{
    const qint64 top = findKey(hivePath);
    if (top == 0)
        return false;
    // Depth first without recursion: each statement is done with before the
    // keys below are visited, so the same prepared statements serve every level.
    struct Pending {
        qint64 id;
        QString path;
    };
    // One moment of the store, whatever another connection writes meanwhile.
    Transaction snapshot(*this);
    // A key whose values fill a run of rowids (a record written in one go,
    // as nearly all are) is read straight from the table in rowid order; the
    // others through the index and a sort.
    QHash<qint64, std::pair<qint64, qint64>> runs;
    {
        sqlite3_stmt *stmt = prepare("SELECT key, min(rowid), max(rowid), count(*) FROM key_values GROUP BY key");
        Statement st(stmt);
        int rc;
        while ((rc = st.step()) == SQLITE_ROW) {
            const qint64 first = st.int64(1);
            const qint64 last = st.int64(2);
            if (last - first + 1 == st.int64(3))
                runs.insert(st.int64(0), {first, last});
        }
        if (rc != SQLITE_DONE)
            throwSqlite(QStringLiteral("list values"));
    }
    std::vector<Pending> pending{{top, pathParts(hivePath).join(QLatin1Char('\\'))}};
    QList<Pending> children;
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        visitor.key(current.path);
        {
            const auto run = runs.constFind(current.id);
            sqlite3_stmt *stmt =
                run == runs.constEnd()
                    ? prepare("SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY rowid")
                    : prepare("SELECT name, type, data FROM key_values WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid");
            Statement st(stmt);
            if (run == runs.constEnd()) {
                st.bind(1, current.id);
            } else {
                st.bind(1, run->first);
                st.bind(2, run->second);
            }
            int rc;
            while ((rc = st.step()) == SQLITE_ROW) {
                TreeValue v;
                v.name = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                        sqlite3_column_bytes(stmt, 0));
                v.type = int(sqlite3_column_int64(stmt, 1));
                switch (v.type) {
                case RegSz:
                case RegExpandSz:
                    v.data = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 2)),
                                            sqlite3_column_bytes(stmt, 2));
                    break;
                case RegDword:
                case RegQword:
                    v.integer = sqlite3_column_int64(stmt, 2);
                    break;
                default:
                    v.data = QByteArrayView(static_cast<const char *>(sqlite3_column_blob(stmt, 2)),
                                            sqlite3_column_bytes(stmt, 2));
                    break;
                }
                visitor.value(v);
            }
            if (rc != SQLITE_DONE)
                throwSqlite(QStringLiteral("list values"));
        }
        children.clear();
        {
            Statement st(prepare("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY id"));
            st.bind(1, current.id);
            int rc;
            while ((rc = st.step()) == SQLITE_ROW)
                children.append({st.int64(0), current.path.isEmpty() ? st.text(1)
                                                                : current.path + QLatin1Char('\\') + st.text(1)});
            if (rc != SQLITE_DONE)
                throwSqlite(QStringLiteral("list keys"));
        }
        for (qsizetype i = children.size() - 1; i >= 0; --i)
            pending.push_back(std::move(children[i]));
    }
    snapshot.commit();
    return true;
}

bool Store::visitSubkeyValues(const QString &keyPath, const SubkeyVisitor &visit)
{
    const qint64 id = findKey(hivePathOf(keyPath));
    if (id == 0)
        return false;
    return visitSubkeys(id,
                        prepare("SELECT k.folded, v.folded, v.type, v.data FROM keys k"
                                " JOIN key_values v ON v.key = k.id WHERE k.parent = ?1"),
                        visit);
}

bool Store::visitSubkeyValues(const QString &keyPath, double low, double high, const SubkeyVisitor &visit)
{
    const qint64 id = findKey(hivePathOf(keyPath));
    if (id == 0)
        return false;
    sqlite3_stmt *stmt = prepare("SELECT k.folded, v.folded, v.type, v.data FROM keys k"
                                 " JOIN key_values v ON v.key = k.id"
                                 " WHERE k.parent = ?1 AND CAST(k.name AS REAL) BETWEEN ?2 AND ?3");
    sqlite3_bind_double(stmt, 2, low);
    sqlite3_bind_double(stmt, 3, high);
    return visitSubkeys(id, stmt, visit);
}

bool Store::visitSubkeys(qint64 key, sqlite3_stmt *stmt, const SubkeyVisitor &visit)
{
    Statement st(stmt);
    st.bind(1, key);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        const QByteArrayView subkey(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                    sqlite3_column_bytes(stmt, 0));
        RawValue v;
        v.foldedName = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)),
                                      sqlite3_column_bytes(stmt, 1));
        v.type = sqlite3_column_int(stmt, 2);
        if (v.type == RegSz || v.type == RegExpandSz) {
            v.text = QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 3)),
                                    sqlite3_column_bytes(stmt, 3));
        } else if (v.type == RegDword || v.type == RegQword) {
            v.integer = sqlite3_column_int64(stmt, 3);
        }
        visit(subkey, v);
    }
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read values"));
    return true;
}

bool Store::sessionSummaryInStep()
{
    if (!m_sessionSummaryUsable)
        return false;
    Statement st(prepare("SELECT in_step FROM session_summary_state WHERE id = 1"));
    const int rc = st.step();
    if (rc == SQLITE_ROW)
        return st.int64(0) == 1;
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read session summary"));
    return false;
}

void Store::beginSessionSummaryWrite()
{
    // A state row removed by hand comes back, out of step, so that a
    // rebuild can put it in step again.
    Statement st(prepare("INSERT INTO session_summary_state(id, format, in_step, summary_writer) VALUES (1, ?1, 0, 1)"
                         " ON CONFLICT(id) DO UPDATE SET summary_writer = 1"));
    st.bind(1, qint64(SessionSummaryFormat));
    if (st.step() != SQLITE_DONE)
        throwSqlite(QStringLiteral("write session summary"));
}

void Store::endSessionSummaryWrite(bool markInStep)
{
    Statement st(prepare("UPDATE session_summary_state SET summary_writer = 0,"
                         " in_step = CASE WHEN ?1 THEN 1 ELSE in_step END WHERE id = 1"));
    st.bind(1, qint64(markInStep ? 1 : 0));
    if (st.step() != SQLITE_DONE)
        throwSqlite(QStringLiteral("write session summary"));
}

void Store::putSessionSummaryDay(int user, const SessionSummaryDay &row)
{
    if (row.sessions == 0 && !row.damaged) {
        Statement st(prepare("DELETE FROM session_day_totals WHERE user = ?1 AND day = ?2"));
        st.bind(1, qint64(user));
        st.bind(2, row.day);
        if (st.step() != SQLITE_DONE)
            throwSqlite(QStringLiteral("write session summary"));
        return;
    }
    sqlite3_stmt *stmt = prepare("INSERT OR REPLACE INTO session_day_totals"
                                 "(user, day, sessions, seconds, cost, downloaded, damaged)"
                                 " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    Statement st(stmt);
    st.bind(1, qint64(user));
    st.bind(2, row.day);
    st.bind(3, row.sessions);
    st.bind(4, row.seconds);
    sqlite3_bind_double(stmt, 5, row.cost);
    st.bind(6, row.downloaded);
    st.bind(7, qint64(row.damaged ? 1 : 0));
    if (st.step() != SQLITE_DONE)
        throwSqlite(QStringLiteral("write session summary"));
}

void Store::clearSessionSummary()
{
    Statement st(prepare("DELETE FROM session_day_totals"));
    if (st.step() != SQLITE_DONE)
        throwSqlite(QStringLiteral("write session summary"));
}

Store::SessionSummarySums Store::sumSessionSummary(int user, qint64 firstDay, qint64 endDay)
{
    SessionSummarySums sums;
    {
        sqlite3_stmt *stmt = prepare("SELECT coalesce(sum(sessions), 0), coalesce(sum(seconds), 0), total(cost),"
                                     " coalesce(sum(downloaded), 0), sum(damaged) FROM session_day_totals"
                                     " WHERE user = ?1 AND day >= ?2 AND day < ?3");
        Statement st(stmt);
        st.bind(1, qint64(user));
        st.bind(2, firstDay);
        st.bind(3, endDay);
        if (st.step() != SQLITE_ROW)
            throwSqlite(QStringLiteral("read session summary"));
        sums.sessions = st.int64(0);
        sums.seconds = st.int64(1);
        sums.cost = sqlite3_column_double(stmt, 2);
        sums.downloaded = st.int64(3);
        if (st.int64(4) == 0)
            return sums;
    }
    Statement st(prepare("SELECT day FROM session_day_totals WHERE user = ?1 AND day >= ?2 AND day < ?3"
                         " AND damaged <> 0 ORDER BY day"));
    st.bind(1, qint64(user));
    st.bind(2, firstDay);
    st.bind(3, endDay);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        sums.damagedDays.append(st.int64(0));
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read session summary"));
    return sums;
}

QList<Store::SessionSummaryDay> Store::sessionSummaryDays(int user)
{
    QList<SessionSummaryDay> days;
    sqlite3_stmt *stmt = prepare("SELECT day, sessions, seconds, cost, downloaded, damaged FROM session_day_totals"
                                 " WHERE user = ?1 ORDER BY day");
    Statement st(stmt);
    st.bind(1, qint64(user));
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        SessionSummaryDay d;
        d.day = st.int64(0);
        d.sessions = st.int64(1);
        d.seconds = st.int64(2);
        d.cost = sqlite3_column_double(stmt, 3);
        d.downloaded = st.int64(4);
        d.damaged = st.int64(5) != 0;
        days.append(d);
    }
    if (rc != SQLITE_DONE)
        throwSqlite(QStringLiteral("read session summary"));
    return days;
}

QString Store::integrityCheck()
{
    sqlite3_stmt *stmt = nullptr;
    QStringList lines;
    if (sqlite3_prepare_v2(m_db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(m_db));
    while (sqlite3_step(stmt) == SQLITE_ROW)
        lines.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
    sqlite3_finalize(stmt);
    return lines.join(QLatin1Char('\n'));
}

Store::Transaction::Transaction(Store &store, Lock lock) : m_store(store)
{
    if (lock == Lock::Immediate && m_store.m_transactionDepth == 0 && sqlite3_get_autocommit(m_store.m_db)) {
        m_store.exec("BEGIN IMMEDIATE");
        m_began = true;
    }
    m_savepoint = "tl_" + QByteArray::number(++m_store.m_savepointCounter);
    try {
        m_store.exec(("SAVEPOINT " + m_savepoint).constData());
    } catch (...) {
        if (m_began)
            sqlite3_exec(m_store.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    ++m_store.m_transactionDepth;
}

Store::Transaction::~Transaction()
{
    if (m_done)
        return;
    --m_store.m_transactionDepth;
    sqlite3_exec(m_store.m_db, ("ROLLBACK TO " + m_savepoint + "; RELEASE " + m_savepoint).constData(),
                 nullptr, nullptr, nullptr);
    if (m_began)
        sqlite3_exec(m_store.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    // Keys created inside the rolled-back part are gone again.
    m_store.forgetCachedKeys();
}

void Store::Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    --m_store.m_transactionDepth;
    try {
        m_store.exec(("RELEASE " + m_savepoint).constData());
        if (m_began)
            m_store.exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_store.m_db, ("ROLLBACK TO " + m_savepoint + "; RELEASE " + m_savepoint).constData(),
                     nullptr, nullptr, nullptr);
        if (m_began)
            sqlite3_exec(m_store.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_store.forgetCachedKeys();
        throw;
    }
}
