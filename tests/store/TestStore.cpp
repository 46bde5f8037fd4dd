#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <sqlite3.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::dumpTree;

namespace {

const QString Root = QStringLiteral("Software\\Kelmora\\Tallyline");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

int fileMode(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

QString storeError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const StoreError &e) {
        return e.message();
    }
    return QString();
}

// Records Alarm1..AlarmN under Users\User1\Alarms, each with its number and a subkey.
void seedRecords(Store &s, int n)
{
    for (int a = 1; a <= n; ++a) {
        const QString key = QStringLiteral("Users\\User1\\Alarms\\Alarm%1").arg(a);
        s.WriteStoreString(QStringLiteral("CustomMessage"), key, QStringLiteral("alarm %1").arg(a));
        s.WriteStoreInteger(QStringLiteral("Days"), key + QStringLiteral("\\Sub"), a);
    }
    s.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), n);
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readersLeaveVariableAndCreateNothing_data();
    void readersLeaveVariableAndCreateNothing();
    void missingTextAndFloat();
    void namesIgnoreLetterCase_data();
    void namesIgnoreLetterCase();
    void wrongTypeIsAnError_data();
    void wrongTypeIsAnError();
    void failedWriteNamesTheValue();
    void writersCreateParentsAndAbsolutePaths();
    void transactionsCommitAndRollBack();
    void nestedTransactions();
    void moveKey();
    void copyKey();
    void deleteKeyRemovesTheSubtree();
    void renameAndDeleteValue();
    void deleteNumberedRecord_data();
    void deleteNumberedRecord();
    void valuesSurviveReopen();
    void filesAreOwnerOnly();
    void unusableFileIsLeftUntouched_data();
    void unusableFileIsLeftUntouched();
    void readOnlyDataDirectory_data();
    void readOnlyDataDirectory();
};

void TestStore::readersLeaveVariableAndCreateNothing_data()
{
    QTest::addColumn<QString>("keyPath");
    QTest::newRow("missing key") << QStringLiteral("Users\\User9\\ISP1");
    QTest::newRow("missing value in an existing key") << QStringLiteral("Settings");
}

void TestStore::readersLeaveVariableAndCreateNothing()
{
    QFETCH(QString, keyPath);
    testsupport::TempStore t;
    t.store->WriteStoreString(QStringLiteral("Other"), QStringLiteral("Settings"), QStringLiteral("x"));
    const QStringList before = dumpTree(*t.store);
    int value = 42;
    QVERIFY(!t.store->ReadStoreInteger(QStringLiteral("NumberOfUsers"), keyPath, value));
    QCOMPARE(value, 42);
    bool flag = true;
    QVERIFY(!t.store->ReadStoreBool(QStringLiteral("LoadAtStartUp"), keyPath, flag));
    QCOMPARE(flag, true);
    flag = false;
    QVERIFY(!t.store->ReadStoreBool(QStringLiteral("LoadAtStartUp"), keyPath, flag));
    QCOMPARE(flag, false);
    QCOMPARE(dumpTree(*t.store), before);
}

void TestStore::missingTextAndFloat()
{
    testsupport::TempStore t;
    QCOMPARE(t.store->ReadStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1")), QString());
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("Users\\User1")), 0.0);
    QVERIFY(!t.store->keyExists(Store::hivePathOf(QStringLiteral("Users"))));
    t.store->WriteStoreString(QStringLiteral("Cost"), QStringLiteral("A"), QStringLiteral("0.05"));
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("A")), 0.05);
    int n = 0;
    t.store->WriteStoreInteger(QStringLiteral("N"), QStringLiteral("A"), 5);
    QVERIFY(t.store->ReadStoreInteger(QStringLiteral("N"), QStringLiteral("A"), n));
    QCOMPARE(n, 5);
    bool flag = false;
    t.store->WriteStoreInteger(QStringLiteral("Flag"), QStringLiteral("A"), -7);
    QVERIFY(t.store->ReadStoreBool(QStringLiteral("Flag"), QStringLiteral("A"), flag));
    QVERIFY(flag);
}

void TestStore::namesIgnoreLetterCase_data()
{
    QTest::addColumn<QString>("writeKey");
    QTest::addColumn<QString>("writeName");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QString>("readName");
    QTest::newRow("DialupName") << "Users\\User1\\ISP1" << "DialupName" << "Users\\User1\\ISP1" << "DialUpName";
    QTest::newRow("properties key") << "properties" << "OverrideCurrency" << "Properties" << "OverrideCurrency";
    QTest::newRow("admin lock") << "Settings" << "AdminsettingsLockOut" << "SETTINGS" << "AdminSettingsLockOut";
    QTest::newRow("whole path") << "users\\user1\\isp1\\timezones\\mon" << "numberoftimezones"
                                << "Users\\User1\\ISP1\\Timezones\\Mon" << "NumberOfTimeZones";
    QTest::newRow("non-ASCII") << "Ärger" << "Größe" << "äRGER" << "GRÖßE";
}

void TestStore::namesIgnoreLetterCase()
{
    QFETCH(QString, writeKey);
    QFETCH(QString, writeName);
    QFETCH(QString, readKey);
    QFETCH(QString, readName);
    testsupport::TempStore t;
    t.store->WriteStoreInteger(writeName, writeKey, 7);
    int value = 0;
    QVERIFY(t.store->ReadStoreInteger(readName, readKey, value));
    QCOMPARE(value, 7);
    // Writing under the other spelling changes the same value; the first spelling stays.
    t.store->WriteStoreInteger(readName, readKey, 8);
    const QList<StoreValue> values = t.store->values(Store::hivePathOf(writeKey));
    QCOMPARE(values.size(), 1);
    QCOMPARE(values[0].name, writeName);
    QCOMPARE(values[0].data.toInt(), 8);
}

void TestStore::wrongTypeIsAnError_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("integer read as text") << "integer" << "string";
    QTest::newRow("integer read as float") << "integer" << "float";
    QTest::newRow("float read as integer") << "float" << "integer";
    QTest::newRow("text read as boolean") << "string" << "bool";
    QTest::newRow("boolean read as text") << "bool" << "string";
    QTest::newRow("binary read as text") << "binary" << "string";
    QTest::newRow("binary read as integer") << "binary" << "integer";
}

void TestStore::wrongTypeIsAnError()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    testsupport::TempStore t;
    Store &s = *t.store;
    const QString name = QStringLiteral("Start Time");
    const QString key = QStringLiteral("Users\\User1");
    if (written == QLatin1String("integer"))
        s.WriteStoreInteger(name, key, 3);
    else if (written == QLatin1String("float"))
        s.WriteStoreFloat(name, key, 0.5);
    else if (written == QLatin1String("string"))
        s.WriteStoreString(name, key, QStringLiteral("1"));
    else if (written == QLatin1String("bool"))
        s.WriteStoreBool(name, key, true);
    else
        s.setValue(Store::hivePathOf(key), StoreValue{name, RegBinary, QByteArray("\x01\x00\x00\x00", 4)});
    int value = 99;
    bool flag = false;
    const QString message = storeError([&] {
        if (read == QLatin1String("integer"))
            s.ReadStoreInteger(name, key, value);
        else if (read == QLatin1String("float"))
            s.ReadStoreFloat(name, key);
        else if (read == QLatin1String("string"))
            s.ReadStoreString(name, key);
        else
            s.ReadStoreBool(name, key, flag);
    });
    QCOMPARE(message, QStringLiteral("Invalid data type for 'Start Time'"));
    QCOMPARE(value, 99);
}

void TestStore::failedWriteNamesTheValue()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    s.WriteStoreInteger(QStringLiteral("Before"), QStringLiteral("Settings"), 1);
    // A disk that is full for this process: no file may grow by more than a
    // few kilobytes, so the journal cannot take a large value.
    const QString db = t.store->filePath();
    const qint64 largest = qMax(QFileInfo(db).size(), QFileInfo(db + QStringLiteral("-wal")).size());
    struct rlimit old {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = rlim_t(largest + 8192);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString big(200000, QLatin1Char('x'));
    const QString plain = storeError([&] { s.WriteStoreString(QStringLiteral("Notes"), QStringLiteral("Settings"), big); });
    const QString withNewKey = storeError([&] { s.WriteStoreString(QStringLiteral("Memo"), QStringLiteral("New\\Key"), big); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(plain, QStringLiteral("Failed to set data for 'Notes'"));
    QCOMPARE(withNewKey, QStringLiteral("Failed to set data for 'Memo'"));
    // Nothing of either write is there, the store goes on working.
    QCOMPARE(s.ReadStoreString(QStringLiteral("Notes"), QStringLiteral("Settings")), QString());
    QVERIFY(!s.keyExists(Store::hivePathOf(QStringLiteral("New"))));
    s.WriteStoreInteger(QStringLiteral("After"), QStringLiteral("Settings"), 2);
    int v = 0;
    QVERIFY(s.ReadStoreInteger(QStringLiteral("After"), QStringLiteral("Settings"), v));
    QCOMPARE(s.integrityCheck(), QStringLiteral("ok"));
}

void TestStore::writersCreateParentsAndAbsolutePaths()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    s.WriteStoreFloat(QStringLiteral("Holiday1"), QStringLiteral("Users\\User1\\ISP1\\Timezones\\Holidays"), 36526);
    QCOMPARE(s.subkeyNames(Root), QStringList{QStringLiteral("Users")});
    QVERIFY(s.keyExists(Root + QStringLiteral("\\Users\\User1\\ISP1\\Timezones\\Holidays")));
    // A leading backslash on a root-relative path changes nothing.
    QCOMPARE(s.ReadStoreString(QStringLiteral("Holiday1"), QStringLiteral("\\Users\\User1\\ISP1\\Timezones\\Holidays")),
             QStringLiteral("36526"));

    const QString run = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    s.WriteAbsoluteString(run, QStringLiteral("Tallyline"), QStringLiteral("\"/usr/bin/tallyline\""));
    StoreValue v;
    QVERIFY(s.readValue(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"), QStringLiteral("Tallyline"), v));
    QCOMPARE(v.type, int(RegSz));
    QCOMPARE(v.data.toString(), QStringLiteral("\"/usr/bin/tallyline\""));
    QVERIFY(!s.keyExists(Root + QStringLiteral("\\Software")));
    // An absent text writes the empty string; the value stays.
    s.WriteAbsoluteString(run, QStringLiteral("Tallyline"), QString());
    QVERIFY(s.readValue(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"), QStringLiteral("tallyline"), v));
    QCOMPARE(v.data.toString(), QString());
    QCOMPARE(v.type, int(RegSz));
}

void TestStore::transactionsCommitAndRollBack()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    {
        Store::Transaction tx(s);
        for (int i = 0; i < 10; ++i)
            s.WriteStoreFloat(QStringLiteral("V%1").arg(i), QStringLiteral("Users\\User1\\Sessions\\36526"), i * 0.5);
        tx.commit();
    }
    QCOMPARE(s.values(Store::hivePathOf(QStringLiteral("Users\\User1\\Sessions\\36526"))).size(), 10);
    const QStringList committed = dumpTree(s);
    {
        Store::Transaction tx(s);
        s.WriteStoreFloat(QStringLiteral("V1"), QStringLiteral("Users\\User1\\Sessions\\36526"), 99);
        s.WriteStoreInteger(QStringLiteral("N"), QStringLiteral("Users\\User2\\Deep"), 1);
        s.DeleteStoreKey(QStringLiteral("Users\\User1"));
        int n = 0;
        QVERIFY(s.ReadStoreInteger(QStringLiteral("N"), QStringLiteral("Users\\User2\\Deep"), n));
    }
    QCOMPARE(dumpTree(s), committed);
    // Keys made inside the rolled-back scope are really gone, for the
    // readers and for the writers that follow.
    int n = 5;
    QVERIFY(!s.ReadStoreInteger(QStringLiteral("N"), QStringLiteral("Users\\User2\\Deep"), n));
    QCOMPARE(n, 5);
    s.WriteStoreInteger(QStringLiteral("M"), QStringLiteral("Users\\User2\\Deep"), 2);
    QVERIFY(s.ReadStoreInteger(QStringLiteral("M"), QStringLiteral("users\\user2\\deep"), n));
    QCOMPARE(n, 2);

    // An exception leaving the scope rolls it back.
    try {
        Store::Transaction tx(s);
        s.WriteStoreInteger(QStringLiteral("Lost"), QStringLiteral("Settings"), 1);
        s.ReadStoreString(QStringLiteral("M"), QStringLiteral("Users\\User2\\Deep"));  // wrong type: throws
        tx.commit();
        QFAIL("no exception");
    } catch (const StoreError &) {
    }
    QVERIFY(!s.keyExists(Store::hivePathOf(QStringLiteral("Settings"))));
}

void TestStore::nestedTransactions()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    {
        Store::Transaction outer(s);
        s.WriteStoreInteger(QStringLiteral("Outer"), QStringLiteral("K"), 1);
        {
            Store::Transaction inner(s);
            s.WriteStoreInteger(QStringLiteral("Inner"), QStringLiteral("K"), 2);
        }
        {
            Store::Transaction kept(s);
            s.WriteStoreInteger(QStringLiteral("Kept"), QStringLiteral("K\\Sub"), 3);
            kept.commit();
        }
        outer.commit();
    }
    int v = 0;
    QVERIFY(s.ReadStoreInteger(QStringLiteral("Outer"), QStringLiteral("K"), v));
    QVERIFY(!s.ReadStoreInteger(QStringLiteral("Inner"), QStringLiteral("K"), v));
    QVERIFY(s.ReadStoreInteger(QStringLiteral("Kept"), QStringLiteral("K\\Sub"), v));
    QCOMPARE(v, 3);
    {
        Store::Transaction outer(s);
        {
            Store::Transaction inner(s);
            s.WriteStoreInteger(QStringLiteral("Gone"), QStringLiteral("K"), 4);
            inner.commit();
        }
    }
    QVERIFY(!s.ReadStoreInteger(QStringLiteral("Gone"), QStringLiteral("K"), v));
    // Committed means on disk: another connection sees it.
    t.store.reset();
    t.store = Store::open(t.path(QString::fromLatin1(Store::DefaultFileName)));
    QVERIFY(t.store->ReadStoreInteger(QStringLiteral("Kept"), QStringLiteral("K\\Sub"), v));
}

void TestStore::moveKey()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    seedRecords(s, 2);
    const QStringList alarm2 = dumpTree(s, Store::hivePathOf(QStringLiteral("Users\\User1\\Alarms\\Alarm2")));
    s.MoveStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm2"), QStringLiteral("Users\\User3\\Alarms\\Alarm1"));
    QVERIFY(!s.keyExists(Store::hivePathOf(QStringLiteral("Users\\User1\\Alarms\\Alarm2"))));
    QStringList moved = dumpTree(s, Store::hivePathOf(QStringLiteral("Users\\User3\\Alarms\\Alarm1")));
    moved.replaceInStrings(QStringLiteral("User3\\Alarms\\Alarm1"), QStringLiteral("User1\\Alarms\\Alarm2"));
    QCOMPARE(moved, alarm2);

    const QStringList before = dumpTree(s);
    // Missing source, existing target (in any spelling), or a target below
    // the source: nothing happens.
    s.MoveStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm9"), QStringLiteral("Users\\User1\\Alarms\\Alarm5"));
    s.MoveStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm1"), QStringLiteral("users\\user3\\alarms\\ALARM1"));
    s.MoveStoreKey(QStringLiteral("Users\\User1"), QStringLiteral("Users\\User1\\Alarms\\Copy"));
    QCOMPARE(dumpTree(s), before);
}

void TestStore::copyKey()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    seedRecords(s, 2);
    const QString alarm2 = Store::hivePathOf(QStringLiteral("Users\\User1\\Alarms\\Alarm2"));
    const QStringList source = dumpTree(s, alarm2);
    // A target already there is replaced as a whole: its own values go.
    s.WriteStoreInteger(QStringLiteral("Stale"), QStringLiteral("Users\\User3\\Alarms\\Alarm1"), 7);
    s.CopyStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm2"), QStringLiteral("users\\USER3\\Alarms\\Alarm1"));
    QCOMPARE(dumpTree(s, alarm2), source);
    QStringList copied = dumpTree(s, Store::hivePathOf(QStringLiteral("Users\\User3\\Alarms\\Alarm1")));
    copied.replaceInStrings(QStringLiteral("User3\\Alarms\\Alarm1"), QStringLiteral("User1\\Alarms\\Alarm2"));
    QCOMPARE(copied, source);

    // Missing source, the key itself, a target below the source or above
    // it: nothing happens.
    const QStringList before = dumpTree(s);
    s.CopyStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm9"), QStringLiteral("Users\\User1\\Alarms\\Alarm5"));
    s.CopyStoreKey(QStringLiteral("Users\\User1\\Alarms"), QStringLiteral("USERS\\User1\\alarms"));
    s.CopyStoreKey(QStringLiteral("Users\\User1"), QStringLiteral("Users\\User1\\Alarms\\Copy"));
    s.CopyStoreKey(QStringLiteral("Users\\User1\\Alarms\\Alarm1"), QStringLiteral("Users\\User1"));
    QCOMPARE(dumpTree(s), before);
}

void TestStore::deleteKeyRemovesTheSubtree()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    seedRecords(s, 3);
    s.WriteStoreInteger(QStringLiteral("Deep"), QStringLiteral("Users\\User1\\Alarms\\Alarm2\\Sub\\A\\B\\C"), 1);
    s.DeleteStoreKey(QStringLiteral("USERS\\user1\\alarms"));
    QCOMPARE(s.subkeyNames(Store::hivePathOf(QStringLiteral("Users\\User1"))), QStringList());
    int n = 0;
    QVERIFY(s.ReadStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), n));
    QVERIFY(!s.ReadStoreInteger(QStringLiteral("Deep"), QStringLiteral("Users\\User1\\Alarms\\Alarm2\\Sub\\A\\B\\C"), n));
    // Nothing is left behind in the tables either.
    testsupport::TempStore fresh;
    fresh.store->WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), 3);
    QCOMPARE(dumpTree(s), dumpTree(*fresh.store));
    s.DeleteStoreKey(QStringLiteral("No\\Such\\Key"));
}

void TestStore::renameAndDeleteValue()
{
    testsupport::TempStore t;
    Store &s = *t.store;
    const QString key = QStringLiteral("Users\\User1\\ISP1");
    s.WriteStoreString(QStringLiteral("DialupName"), key, QStringLiteral("Work"));
    s.WriteStoreInteger(QStringLiteral("Other"), key, 4);
    s.RenameStoreValue(key, QStringLiteral("dialupname"), QStringLiteral("Dial-up Entry"));
    QCOMPARE(s.ReadStoreString(QStringLiteral("Dial-up Entry"), key), QStringLiteral("Work"));
    QCOMPARE(s.ReadStoreString(QStringLiteral("DialupName"), key), QString());
    // A change of letter case only changes the spelling.
    s.RenameStoreValue(key, QStringLiteral("other"), QStringLiteral("OTHER"));
    StoreValue renamed;
    QVERIFY(s.readValue(Store::hivePathOf(key), QStringLiteral("other"), renamed));
    QCOMPARE(renamed.name, QStringLiteral("OTHER"));
    // The new name is taken: both stay as they are.
    s.RenameStoreValue(key, QStringLiteral("OTHER"), QStringLiteral("Dial-up Entry"));
    QCOMPARE(s.ReadStoreString(QStringLiteral("Dial-up Entry"), key), QStringLiteral("Work"));
    int n = 0;
    QVERIFY(s.ReadStoreInteger(QStringLiteral("Other"), key, n));
    QCOMPARE(n, 4);

    s.DeleteStoreValue(key, QStringLiteral("other"));
    QVERIFY(!s.ReadStoreInteger(QStringLiteral("Other"), key, n));
    QCOMPARE(s.values(Store::hivePathOf(key)).size(), 1);
    // Both open the key as the writers do, creating it.
    s.DeleteStoreValue(QStringLiteral("Made\\By\\Delete"), QStringLiteral("X"));
    s.RenameStoreValue(QStringLiteral("Made\\By\\Rename"), QStringLiteral("X"), QStringLiteral("Y"));
    QVERIFY(s.keyExists(Store::hivePathOf(QStringLiteral("Made\\By\\Delete"))));
    QVERIFY(s.keyExists(Store::hivePathOf(QStringLiteral("Made\\By\\Rename"))));
}

void TestStore::deleteNumberedRecord_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("k");
    QTest::addColumn<QList<int>>("left");  // former numbers of the records that remain, in order
    QTest::newRow("2 of 4") << 4 << 2 << QList<int>{1, 3, 4};
    QTest::newRow("1 of 4") << 4 << 1 << QList<int>{2, 3, 4};
    QTest::newRow("4 of 4") << 4 << 4 << QList<int>{1, 2, 3};
    QTest::newRow("1 of 1") << 1 << 1 << QList<int>{};
    QTest::newRow("5 of 4: no such record") << 4 << 5 << QList<int>{1, 2, 3, 4};
    QTest::newRow("0 of 4: no such record") << 4 << 0 << QList<int>{1, 2, 3, 4};
    QTest::newRow("1 of none") << 0 << 1 << QList<int>{};
}

void TestStore::deleteNumberedRecord()
{
    QFETCH(int, count);
    QFETCH(int, k);
    QFETCH(QList<int>, left);
    testsupport::TempStore t;
    Store &s = *t.store;
    seedRecords(s, count);
    s.DeleteNumberedRecord(QStringLiteral("Users\\User1\\Alarms"), QStringLiteral("Alarm"), k,
                           QStringLiteral("Users\\User1"), QStringLiteral("NumberOfAlarms"));
    int n = -1;
    QVERIFY(s.ReadStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), n));
    QCOMPARE(n, int(left.size()));
    QStringList expected;
    for (int i = 0; i < left.size(); ++i)
        expected.append(QStringLiteral("Alarm%1").arg(i + 1));
    QCOMPARE(s.subkeyNames(Store::hivePathOf(QStringLiteral("Users\\User1\\Alarms"))), expected);
    for (int i = 0; i < left.size(); ++i) {
        const QString key = QStringLiteral("Users\\User1\\Alarms\\Alarm%1").arg(i + 1);
        QCOMPARE(s.ReadStoreString(QStringLiteral("CustomMessage"), key), QStringLiteral("alarm %1").arg(left[i]));
        int days = 0;
        QVERIFY(s.ReadStoreInteger(QStringLiteral("Days"), key + QStringLiteral("\\Sub"), days));
        QCOMPARE(days, left[i]);
    }
}

void TestStore::valuesSurviveReopen()
{
    testsupport::TempStore t;
    t.store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"), QStringLiteral("Zoë"));
    t.store->WriteStoreInteger(QStringLiteral("Restrictions"), QStringLiteral("Users\\User1"), -2);
    const QStringList before = dumpTree(*t.store);
    t.store.reset();
    t.store = Store::open(t.path(QString::fromLatin1(Store::DefaultFileName)));
    QCOMPARE(dumpTree(*t.store), before);
    QCOMPARE(t.store->integrityCheck(), QStringLiteral("ok"));
    // Readable with nothing but SQLite, through the documented view.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(t.store->filePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT data FROM tree WHERE path = 'Software\\Kelmora\\Tallyline\\Users\\User1'"
                                    " AND name = 'Login Name'", -1, &stmt, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    QCOMPARE(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))), QStringLiteral("Zoë"));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

void TestStore::filesAreOwnerOnly()
{
    const mode_t oldMask = ::umask(022);
    testsupport::TempStore t;
    t.store->WriteStoreInteger(QStringLiteral("N"), QStringLiteral("Users"), 1);
    ::umask(oldMask);
    const QString db = t.store->filePath();
    QCOMPARE(fileMode(db), 0600);
    QCOMPARE(fileMode(db + QStringLiteral("-wal")), 0600);
    QCOMPARE(fileMode(db + QStringLiteral("-shm")), 0600);
    // Only the database itself is left in the directory.
    QCOMPARE(QDir(t.dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("Tallyline.sqlite"), QStringLiteral("Tallyline.sqlite-shm"),
                          QStringLiteral("Tallyline.sqlite-wal")}));
}

void TestStore::unusableFileIsLeftUntouched_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("foreign SQLite database") << "foreign";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("short file") << "short";
    QTest::newRow("directory") << "directory";
}

void TestStore::unusableFileIsLeftUntouched()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tallyline.sqlite"));
    if (kind == QLatin1String("foreign")) {
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine');"
                                  "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    } else if (kind == QLatin1String("garbage")) {
        QByteArray bytes;
        for (int i = 0; i < 5000; ++i)
            bytes.append(char((i * 131 + 7) % 256));
        writeBytes(path, bytes);
    } else if (kind == QLatin1String("empty")) {
        writeBytes(path, QByteArray());
    } else if (kind == QLatin1String("short")) {
        writeBytes(path, QByteArray("SQLite format 3\0", 16));
    } else {
        QVERIFY(QDir().mkpath(path));
    }
    const QByteArray before = readBytes(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    try {
        Store::open(path);
        QFAIL("the file was taken for a Tallyline database");
    } catch (const StoreOpenError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), filesBefore);
    if (kind == QLatin1String("directory"))
        QVERIFY(QFileInfo(path).isDir());
}

void TestStore::readOnlyDataDirectory_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new database") << false;
    QTest::newRow("existing database") << true;
}

void TestStore::readOnlyDataDirectory()
{
    QFETCH(bool, existing);
    QTemporaryDir base;
    const QString dataDir = base.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(dataDir));
    const QString path = dataDir + QStringLiteral("/Tallyline.sqlite");
    if (existing) {
        Store::open(path)->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther
                                                | QFileDevice::WriteOther));
    }
    const QByteArray before = readBytes(path);
    ::chmod(QFile::encodeName(base.path()).constData(), 0755);
    ::chmod(QFile::encodeName(dataDir).constData(), 0555);
    // Permissions do not bind root: the store is opened by a child process
    // that runs as an ordinary user then.
    QProcess helper;
    QString program = QStringLiteral(TALLYLINE_STORE_HELPER);
    if (::geteuid() == 0) {
        // The build may sit where that user cannot go (under /root): it runs
        // a copy of the helper from the test's own directory.
        const QString copy = base.filePath(QStringLiteral("store_helper"));
        QVERIFY(QFile::copy(program, copy));
        QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther));
        program = copy;
        helper.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        });
    }
    helper.start(program, {QStringLiteral("open"), path});
    QVERIFY2(helper.waitForFinished(10000), qPrintable(helper.errorString()));
    const QString output = QString::fromLocal8Bit(helper.readAllStandardOutput()).trimmed();
    ::chmod(QFile::encodeName(dataDir).constData(), 0755);
    QCOMPARE(helper.exitCode(), 1);
    QVERIFY2(output.contains(path), qPrintable(output));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dataDir).entryList(QDir::Files | QDir::Hidden).size(), existing ? 1 : 0);
}

TALLYLINE_ENGINE_TEST_MAIN(TestStore)
#include "TestStore.moc"
