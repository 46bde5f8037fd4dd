#include "users/UserRecord.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "support/DatabaseFaults.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

using testsupport::dumpTree;
using testsupport::FailingValueWrite;
using testsupport::TempStore;

namespace {

const QString User3 = QStringLiteral("Users\\User3");

QStringList rawValues(Store &s)
{
    return dumpTree(s, Store::hivePathOf(User3)).mid(1);
}

UserRecord sample()
{
    UserRecord r;
    r.numberOfAlarms = 2;
    r.numberOfPrograms = 1;
    r.numberOfISPs = 3;
    r.currentTimeZoneISP = 2;
    r.billDate = QStringLiteral("35796");
    r.loginName = QStringLiteral("Ann");
    r.realName = QStringLiteral("Ann Other");
    r.accountType = QStringLiteral("Quarterly");
    r.creationDate = 36892;
    r.password = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA");
    r.restrictions = 2 | 16;
    r.endAccountDate = 36982.5;
    return r;
}

// A new user as it was added name by name before the record existed.
void writeNewUserWithLiteralNames(Store &s, const UserRecord &r)
{
    s.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), User3, r.numberOfAlarms);
    s.WriteStoreInteger(QStringLiteral("NumberOfPrograms"), User3, r.numberOfPrograms);
    s.WriteStoreInteger(QStringLiteral("NumberOfISPs"), User3, r.numberOfISPs);
    s.WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), User3, r.currentTimeZoneISP);
    s.WriteStoreString(QStringLiteral("Bill Date"), User3, r.billDate);
    s.WriteStoreString(QStringLiteral("Login Name"), User3, r.loginName);
    s.WriteStoreString(QStringLiteral("Real Name"), User3, r.realName);
    s.WriteStoreString(QStringLiteral("Account Type"), User3, r.accountType);
    s.WriteStoreFloat(QStringLiteral("Creation Date"), User3, r.creationDate);
    s.WriteStoreString(QStringLiteral("Password"), User3, r.password);
    s.WriteStoreInteger(QStringLiteral("Restrictions"), User3, r.restrictions);
    s.WriteStoreFloat(QStringLiteral("EndAccountDate"), User3, r.endAccountDate);
}

} // namespace

class TestUserRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedLikeTheLiteralWriter();
    void missingValuesKeepWhatTheCallerHolds();
    void oneValueWritesOnlyThatValue_data();
    void oneValueWritesOnlyThatValue();
    void damagedValueIsReported();
    void failedWriteLeavesTheRecordAsItWas();
};

void TestUserRecord::storedLikeTheLiteralWriter()
{
    TempStore a;
    TempStore b;
    WriteUserRecord(*a.store, 3, sample());
    writeNewUserWithLiteralNames(*b.store, sample());
    QCOMPARE(rawValues(*a.store), rawValues(*b.store));
    QCOMPARE(ReadUserRecord(*b.store, 3), sample());
    QCOMPARE(UserKey(3), User3);
}

void TestUserRecord::missingValuesKeepWhatTheCallerHolds()
{
    TempStore t;
    Store &s = *t.store;
    QCOMPARE(ReadUserRecord(s, 3), UserRecord());
    QVERIFY(!s.keyExists(Store::hivePathOf(User3)));

    // Only a login name and an empty creation date: numbers keep what the
    // record held, texts read as empty.
    s.WriteStoreString(QStringLiteral("login name"), User3, QStringLiteral("Bob"));
    s.WriteStoreString(QStringLiteral("Creation Date"), User3, QString());
    UserRecord held = sample();
    ReadUserRecord(s, 3, held);
    UserRecord expected = sample();
    expected.loginName = QStringLiteral("Bob");
    expected.realName.clear();
    expected.billDate.clear();
    expected.accountType.clear();
    expected.password.clear();
    QCOMPARE(held, expected);
}

void TestUserRecord::oneValueWritesOnlyThatValue_data()
{
    QTest::addColumn<quint64>("which");
    QTest::addColumn<QString>("line");
    QTest::newRow("end of the account period") << quint64(UserEndAccountDate) << "EndAccountDate|1|37000.25";
    QTest::newRow("password") << quint64(UserPassword) << "Password|1|new hash";
    QTest::newRow("current ISP") << quint64(UserCurrentTimeZoneISP) << "CurrentTimeZoneISP|4|7";
    QTest::newRow("repaired bill date") << quint64(UserBillDate) << "Bill Date|1|1";
}

void TestUserRecord::oneValueWritesOnlyThatValue()
{
    QFETCH(quint64, which);
    QFETCH(QString, line);
    TempStore t;
    Store &s = *t.store;
    UserRecord stored = sample();
    WriteUserRecord(s, 3, stored, AllUserValues & ~quint64(UserEndAccountDate));
    QStringList expected = rawValues(s);
    const QString name = line.section(QLatin1Char('|'), 0, 0);
    const auto at = std::find_if(expected.begin(), expected.end(),
                                 [&name](const QString &l) { return l.startsWith(name + QLatin1Char('|')); });
    if (at != expected.end())
        *at = line;
    else
        expected.append(line);

    UserRecord change;
    change.endAccountDate = 37000.25;
    change.password = QStringLiteral("new hash");
    change.currentTimeZoneISP = 7;
    change.billDate = QStringLiteral("1");
    WriteUserRecord(s, 3, change, which);
    QCOMPARE(rawValues(s), expected);
}

void TestUserRecord::damagedValueIsReported()
{
    TempStore t;
    Store &s = *t.store;
    WriteUserRecord(s, 3, sample());
    s.DeleteStoreValue(User3, QStringLiteral("Account Type"));
    s.WriteStoreInteger(QStringLiteral("Account Type"), User3, 1);
    try {
        ReadUserRecord(s, 3);
        QFAIL("a damaged user value went unnoticed");
    } catch (const StoreError &e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'Account Type'"));
    }
}

void TestUserRecord::failedWriteLeavesTheRecordAsItWas()
{
    TempStore t;
    Store &s = *t.store;
    WriteUserRecord(s, 3, sample());
    const QStringList before = rawValues(s);
    UserRecord edited = sample();
    edited.loginName = QStringLiteral("Changed");
    edited.restrictions = 0;
    {
        FailingValueWrite failing(s, QStringLiteral("Restrictions"));
        QVERIFY2(failing.isArmed(), qPrintable(failing.error()));
        QVERIFY_THROWS_EXCEPTION(StoreError, WriteUserRecord(s, 3, edited));
    }
    QCOMPARE(rawValues(s), before);
}

TALLYLINE_ENGINE_TEST_MAIN(TestUserRecord)
#include "TestUserRecord.moc"
