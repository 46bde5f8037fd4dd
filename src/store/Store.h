#pragma once

#include "core/Errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Registry value types as the backup file and the registry editor know them.
enum RegistryType : int {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
    RegMultiSz = 7,
    RegQword = 11,
};

// One value as kept in the store: its name as written, its registry type and
// its data (QString for REG_SZ / REG_EXPAND_SZ, qint64 for REG_DWORD and
// REG_QWORD, QByteArray for anything else).
struct StoreValue {
    QString name;
    int type = RegNone;
    QVariant data;
};

// The program's key tree (the registry hive HKEY_LOCAL_MACHINE, of which we
// use the root "\Software\Kelmora\Tallyline\" and the start-up entry) kept in
// one SQLite database file. Key and value names compare without regard to
// letter case. Every write outside a Transaction commits on its own.
class Store
{
public:
    static constexpr const char *RootPath = "\\Software\\Kelmora\\Tallyline\\";
    static constexpr const char *DefaultFileName = "Tallyline.sqlite";
    // How long a write waits for another program's lock before it fails
    // with StoreError::Cause::Locked.
    static constexpr int DefaultBusyTimeoutMs = 50;

    // Opens the database at filePath, or creates it (readable by its owner
    // only) when there is no file. Throws StoreOpenError, naming the file, for
    // a file that cannot be opened or is not ours (an empty file, another
    // program's database, anything else); such a file is left exactly as it was.
    static std::unique_ptr<Store> open(const QString &filePath);
    // Opens an existing database for reading only, beside a running program:
    // never creates the file, changes no schema and writes nothing (every
    // write fails). Reads see the last committed state. Throws StoreOpenError
    // as open() does, also for a missing file, and StoreError with cause
    // Locked when another program keeps it from being read within the busy
    // timeout.
    static std::unique_ptr<Store> openReadOnly(const QString &filePath, int busyTimeoutMs = DefaultBusyTimeoutMs);
    ~Store();

    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    QString filePath() const { return m_filePath; }
    bool readOnly() const { return m_readOnly; }

    // Store functions; keyPath is relative to RootPath.
    bool ReadStoreInteger(const QString &valueName, const QString &keyPath, int &value);
    void WriteStoreInteger(const QString &valueName, const QString &keyPath, int value);
    QString ReadStoreString(const QString &valueName, const QString &keyPath);
    void WriteStoreString(const QString &valueName, const QString &keyPath, const QString &text);
    double ReadStoreFloat(const QString &valueName, const QString &keyPath);
    void WriteStoreFloat(const QString &valueName, const QString &keyPath, double value);
    bool ReadStoreBool(const QString &valueName, const QString &keyPath, bool &flag);
    void WriteStoreBool(const QString &valueName, const QString &keyPath, bool flag);
    // keyPath is relative to the hive, e.g. "\Software\Microsoft\Windows\CurrentVersion\Run".
    void WriteAbsoluteString(const QString &keyPath, const QString &valueName, const QString &text);
    void MoveStoreKey(const QString &oldPath, const QString &newPath);
    // Copies a key with everything below it; a key already at newPath is
    // replaced. Nothing happens when oldPath does not exist.
    void CopyStoreKey(const QString &oldPath, const QString &newPath);
    void RenameStoreValue(const QString &keyPath, const QString &oldName, const QString &newName);
    void DeleteStoreKey(const QString &keyPath);
    void DeleteStoreValue(const QString &keyPath, const QString &valueName);

    // Deletes record <recordPrefix><k> below recordsPath, moves the later
    // records down by one and writes the count as one less. The count is the
    // integer countValueName under countKeyPath (all paths root-relative).
    void DeleteNumberedRecord(const QString &recordsPath, const QString &recordPrefix, int k,
                              const QString &countKeyPath, const QString &countValueName);

    // One value as visitValues hands it over: the name folded to lower case,
    // the registry type, and the data as UTF-8 text (string types) or as an
    // integer (REG_DWORD, REG_QWORD). The views live only during the call.
    struct RawValue {
        QByteArrayView foldedName;
        int type = RegNone;
        QByteArrayView text;
        qint64 integer = 0;
    };
    // Visits every value of the key (root-relative) in one query, without
    // building strings: for readers that take a whole record at once, such
    // as a day's sessions. False when the key does not exist.
    bool visitValues(const QString &keyPath, const std::function<void(const RawValue &)> &visit);
    // Visits the values of every direct subkey of the key (root-relative) in
    // one query, handing over each subkey's folded name with each value; the
    // rows of different subkeys may come in any order. With a range, only
    // subkeys whose names read as numbers within [low, high], such as the day
    // keys of a user's sessions: a month of a long history costs a month.
    // False when the key does not exist.
    using SubkeyVisitor = std::function<void(QByteArrayView foldedSubkey, const RawValue &)>;
    bool visitSubkeyValues(const QString &keyPath, const SubkeyVisitor &visit);
    bool visitSubkeyValues(const QString &keyPath, double low, double high, const SubkeyVisitor &visit);

    // One value as visitTree hands it over: the name as written (UTF-8), the
    // registry type, and the data as stored: UTF-8 text for the string types,
    // an integer for REG_DWORD and REG_QWORD, bytes for anything else. The
    // views live only during the call.
    struct TreeValue {
        QByteArrayView name;
        int type = RegNone;
        QByteArrayView data;
        qint64 integer = 0;
    };
    class TreeVisitor
    {
    public:
        virtual ~TreeVisitor() = default;
        // A key by its hive path, its names spelled as stored.
        virtual void key(const QString &hivePath) = 0;
        virtual void value(const TreeValue &value) = 0;
    };
    // Visits the key (by hive path, reported as given) and every key below it
    // depth first: each key, then its values, then its subkeys, both in
    // creation order, as subkeyNames and values give them, without building
    // a string per value: a whole history costs one pass. False when the key
    // does not exist.
    bool visitTree(const QString &hivePath, TreeVisitor &visitor);

    // Structural access by hive path ("Software\Kelmora\Tallyline\Users";
    // leading and trailing backslashes are ignored, "" is the hive itself).
    // Used by the backup file, the converter and tests.
    bool keyExists(const QString &hivePath);
    QStringList subkeyNames(const QString &hivePath);   // names as written, in creation order
    QList<StoreValue> values(const QString &hivePath);  // in creation order
    bool readValue(const QString &hivePath, const QString &valueName, StoreValue &out);
    void setValue(const QString &hivePath, const StoreValue &value);  // creates the key
    // Removes one value; a missing key or value is not an error and creates nothing.
    void removeValue(const QString &hivePath, const QString &valueName);
    void createKey(const QString &hivePath);
    void deleteKeyTree(const QString &hivePath);
    // Removes every key and value (the hive stays).
    void clear();

    // Hive path of a root-relative key path.
    static QString hivePathOf(const QString &keyPath);

    // A group of writes that commits together. Nested scopes join the
    // outermost one; a scope destroyed without commit() rolls back its part.
    // An outermost Immediate scope takes the write lock at once (waiting as
    // long as the busy timeout allows), so that a transaction that reads
    // before it writes also waits for another program's lock rather than
    // failing at its first write.
    class Transaction
    {
    public:
        enum class Lock { Deferred, Immediate };
        explicit Transaction(Store &store, Lock lock = Lock::Deferred);
        ~Transaction();
        void commit();

        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;

    private:
        Store &m_store;
        QByteArray m_savepoint;
        bool m_began = false;
        bool m_done = false;
    };

    // The per-day session totals kept beside the key tree (the key tree stays
    // the record of truth; store/SessionDaySummary.h keeps these in step).
    // Any change to a session day key's values, however made, marks the
    // whole summary out of step, and so does any change to its rows that
    // does not come between beginSessionSummaryWrite and
    // endSessionSummaryWrite.
    struct SessionSummaryDay {
        qint64 day = 0;
        qint64 sessions = 0;
        qint64 seconds = 0;
        double cost = 0;
        qint64 downloaded = 0;
        bool damaged = false;  // a value the sums cannot read: read the day itself

        bool operator==(const SessionSummaryDay &) const = default;
    };
    struct SessionSummarySums {
        qint64 sessions = 0;
        qint64 seconds = 0;
        double cost = 0;
        qint64 downloaded = 0;
        QList<qint64> damagedDays;
    };
    // False when its tables could not be made (another program held the
    // database locked at opening): then nothing may rely on it.
    bool sessionSummaryUsable() const { return m_sessionSummaryUsable; }
    bool sessionSummaryInStep();
    void beginSessionSummaryWrite();
    // markInStep: what was written makes the summary match the key tree again.
    void endSessionSummaryWrite(bool markInStep);
    // A day without sessions and undamaged is removed.
    void putSessionSummaryDay(int user, const SessionSummaryDay &row);
    void clearSessionSummary();
    // Days firstDay <= day < endDay.
    SessionSummarySums sumSessionSummary(int user, qint64 firstDay, qint64 endDay);
    QList<SessionSummaryDay> sessionSummaryDays(int user);

    // Runs PRAGMA integrity_check; returns "ok" when the file is sound.
    QString integrityCheck();

    // How long writes wait for a lock held by another program (milliseconds).
    void setBusyTimeout(int ms);

    // The SQLite connection, for tests that hook into commits.
    sqlite3 *connectionForTesting() const { return m_db; }

private:
    explicit Store(const QString &filePath);
    void openDatabase();

    sqlite3_stmt *prepare(const char *sql);
    void exec(const char *sql);
    [[noreturn]] void throwSqlite(const QString &what);
    // What the connection's last failure means to a caller.
    StoreError::Cause lastCause() const;

    // Key ids: 0 when missing (find) or created with its parents (ensure).
    qint64 findKey(const QString &hivePath);
    qint64 ensureKey(const QString &hivePath, const QString &valueNameForError);
    qint64 findChild(qint64 parent, const QString &name);
    qint64 insertChild(qint64 parent, const QString &name);
    void deleteKeyById(qint64 id);
    void copyKeyTree(qint64 from, qint64 toParent, const QString &toName);
    void forgetCachedKeys();
    void prepareSessionSummary();
    bool visitSubkeys(qint64 key, sqlite3_stmt *stmt, const SubkeyVisitor &visit);

    bool readRaw(qint64 key, const QString &valueName, int &type, QVariant &data);
    void writeRaw(const QString &hivePath, const QString &valueName, int type, const QVariant &data);
    void upsertValue(qint64 key, const QString &valueName, int type, const QVariant &data);

    QString m_filePath;
    sqlite3 *m_db = nullptr;
    QHash<const char *, sqlite3_stmt *> m_statements;
    QHash<QString, qint64> m_keyCache;  // folded hive path -> key id
    int m_transactionDepth = 0;
    int m_savepointCounter = 0;
    bool m_sessionSummaryUsable = false;
    bool m_readOnly = false;
    int m_busyTimeoutMs = DefaultBusyTimeoutMs;
};
