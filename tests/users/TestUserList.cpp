#include "alarms/AlarmChecking.h"
#include "session/ProgramRecord.h"
#include "store/FloatText.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "tariff/BandRecord.h"
#include "tariff/IspRecord.h"
#include "users/Passwords.h"
#include "users/UserList.h"
#include "users/UserRecord.h"
#include "users/Users.h"

using testsupport::SeedUser;
using testsupport::SessionFixture;
using testsupport::TariffSeed;

class TestUserList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void billDates_data();
    void billDates();
    void removingRenumbersUsersAndWhoIsRemembered_data();
    void removingRenumbersUsersAndWhoIsRemembered();
    void removalRefusals_data();
    void removalRefusals();
    void aNewUserStartsEmptyOrAsTheAdministratorsCopy_data();
    void aNewUserStartsEmptyOrAsTheAdministratorsCopy();
    void editingKeepsOrReplacesThePassword();
    void editingTheLoggedInUserTakesEffectAtOnce();
    void theListShowsEveryUserWhileLoggedIn();
};

namespace {

QString nameOf(SessionFixture &f, int n)
{
    return f.userValue(n, "Login Name");
}

TUserInfo newUser(const QString &name)
{
    TUserInfo info;
    info.loginName = name;
    info.realName = name + QStringLiteral(" Real");
    info.password = QStringLiteral("secret");
    info.accountType = QStringLiteral("Monthly");
    info.billDate = QStringLiteral("1");
    info.restrictions = DisableUserEditing;
    return info;
}

} // namespace

void TestUserList::billDates_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("stored");
    const QString march15 = FloatToStoreText(EncodeDate(1998, 3, 15));
    QTest::newRow("weekly Monday") << int(AccountWeekly) << 0 << "" << "" << true << "1";
    QTest::newRow("monthly 31st") << int(AccountMonthly) << 30 << "" << "" << true << "31";
    QTest::newRow("quarterly 15 March") << int(AccountQuarterly) << -1 << "15" << "03" << true << march15;
    QTest::newRow("yearly 1 January") << int(AccountYearly) << -1 << "1" << "1"
                                      << true << FloatToStoreText(EncodeDate(1998, 1, 1));
    QTest::newRow("31 February") << int(AccountQuarterly) << -1 << "31" << "02" << false << "";
    QTest::newRow("29 February, 1998 is no leap year") << int(AccountYearly) << -1 << "29" << "02" << false << "";
    QTest::newRow("month 13") << int(AccountYearly) << -1 << "01" << "13" << false << "";
    QTest::newRow("letters") << int(AccountQuarterly) << -1 << "ab" << "01" << false << "";
}

void TestUserList::billDates()
{
    QFETCH(int, type);
    QFETCH(int, entry);
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(bool, valid);
    QFETCH(QString, stored);
    QString billDate = QStringLiteral("untouched");
    QCOMPARE(EncodeBillDate(type, entry, day, month, billDate), valid);
    if (!valid)
        return;
    QCOMPARE(billDate, stored);
    // What the editor shows for it again.
    const BillDateFields fields = DecodeBillDate(type, billDate);
    if (type == AccountWeekly || type == AccountMonthly) {
        QCOMPARE(fields.entry, entry);
    } else {
        QCOMPARE(fields.day.toInt(), day.toInt());
        QCOMPARE(fields.month.toInt(), month.toInt());
        QCOMPARE(fields.day.size(), 2);
    }
}

void TestUserList::removingRenumbersUsersAndWhoIsRemembered_data()
{
    QTest::addColumn<int>("loggedIn");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("currentAfter");
    QTest::addColumn<int>("previousAfter");
    QTest::newRow("below the logged-in user") << 4 << 3 << 3 << 2;
    QTest::newRow("above the logged-in user") << 1 << 1 << 1 << 1;
    QTest::newRow("the remembered user") << 1 << 2 << 1 << 0;
    QTest::newRow("the logged-in user, logged out first") << 2 << 2 << 0 << 0;
}

void TestUserList::removingRenumbersUsersAndWhoIsRemembered()
{
    QFETCH(int, loggedIn);
    QFETCH(int, previous);
    QFETCH(int, currentAfter);
    QFETCH(int, previousAfter);
    SessionFixture f;
    for (const char *name : {"Admin", "Bob", "Carol", "Dave"})
        f.addUser({QLatin1String(name), QStringLiteral("pw")});
    TariffSeed(f.store(), 3).isp(1, QStringLiteral("Default"), QStringLiteral("Any"));
    f.ctx.login.CurrentUser = loggedIn;
    f.ctx.login.LoggedIn = true;
    f.ctx.settings.PreviousUser = previous;
    f.ctx.settings.DeletePrompt = true;
    f.ui.answers.enqueue(true);

    QVERIFY(RemoveUser(f.ctx, 2));
    QStringList told{QStringLiteral("Are you sure you want to remove the user?")};
    if (loggedIn == 2)
        told.append(QStringLiteral("You are trying to delete the currently logged in user. You will be logged out "
                                   "first."));
    QCOMPARE(f.ui.texts(), told);
    QCOMPARE(f.ctx.login.LoggedIn, loggedIn != 2);
    QCOMPARE(f.ctx.settings.NumberOfUsers, 3);
    int stored = 0;
    f.store().ReadStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), stored);
    QCOMPARE(stored, 3);
    QCOMPARE(nameOf(f, 1), QStringLiteral("Admin"));
    QCOMPARE(nameOf(f, 2), QStringLiteral("Carol"));
    QCOMPARE(nameOf(f, 3), QStringLiteral("Dave"));
    QVERIFY(!f.store().keyExists(Store::hivePathOf(TariffKeys::user(4))));
    // Carol took her ISP along.
    QCOMPARE(ReadIspRecord(f.store(), 2, 1).ispName, QStringLiteral("Default"));
    QCOMPARE(f.ctx.login.CurrentUser, currentAfter);
    QCOMPARE(f.ctx.settings.PreviousUser, previousAfter);
}

void TestUserList::removalRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sessionOpen");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("administrator in any case") << "aDMIN" << false << true << "You cannot remove the Admin user!";
    QTest::newRow("session open") << "Bob" << true << true << "You cannot edit users while a session is open.";
    QTest::newRow("answered No") << "Bob" << false << false << "Are you sure you want to remove the user?";
}

void TestUserList::removalRefusals()
{
    QFETCH(QString, name);
    QFETCH(bool, sessionOpen);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    SessionFixture f;
    f.addUser({QStringLiteral("Admin"), QStringLiteral("pw")});
    f.addUser({name, QStringLiteral("pw")});
    f.ctx.shell.SessionOpen = sessionOpen;
    f.ctx.settings.DeletePrompt = true;
    f.ui.answers.enqueue(answer);
    QVERIFY(!RemoveUser(f.ctx, 2));
    QCOMPARE(f.ui.texts(), QStringList{message});
    QCOMPARE(f.ctx.settings.NumberOfUsers, 2);
    QCOMPARE(nameOf(f, 2), name);
}

void TestUserList::aNewUserStartsEmptyOrAsTheAdministratorsCopy_data()
{
    QTest::addColumn<bool>("copy");
    QTest::newRow("empty") << false;
    QTest::newRow("copied") << true;
}

void TestUserList::aNewUserStartsEmptyOrAsTheAdministratorsCopy()
{
    QFETCH(bool, copy);
    SessionFixture f;
    f.addUser({QStringLiteral("Admin"), QStringLiteral("pw")});
    TariffSeed(f.store(), 1)
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .isp(2, QStringLiteral("Work"), QStringLiteral("WorkLine"))
        .bands(2, 3, {{0, 599, 0.5, 0, 0}, {600, 1439, 1.0, 0.1, 1}})
        .bands(1, 8, {{0, 1439, 0.2, 0, 0}});
    f.store().WriteStoreString(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(1, 2),
                               QStringLiteral("Peak"));
    AlarmRecord alarm;
    alarm.AlarmType = DailyTimeAlarm;
    alarm.AllowanceTime = 90;
    WriteAlarmRecord(f.store(), 1, 1, alarm);
    WriteProgramRecord(f.store(), 1, 1, {QStringLiteral("/bin/true"), true, 0, 0, 0, 255});
    UserRecord counts;
    counts.numberOfAlarms = 1;
    counts.numberOfPrograms = 1;
    WriteUserRecord(f.store(), 1, counts, UserNumberOfAlarms | UserNumberOfPrograms);
    f.ctx.login.CurrentUser = 1;
    f.ctx.login.LoggedIn = true;
    f.ctx.tariff.CurrentTimeZoneISP = 2;
    int listChanges = 0;
    connect(&f.ctx.events, &EngineEvents::userListChanged, [&] { ++listChanges; });

    StoreEditedUser(f.ctx, newUser(QStringLiteral("Bob")), copy);
    QCOMPARE(f.ctx.settings.NumberOfUsers, 2);
    QCOMPARE(listChanges, 1);
    const UserRecord bob = ReadUserRecord(f.store(), 2);
    QCOMPARE(bob.loginName, QStringLiteral("Bob"));
    QCOMPARE(bob.restrictions, int(DisableUserEditing));
    QCOMPARE(bob.creationDate, f.clock.today());
    QVERIFY(PasswordMatches(bob.password, QStringLiteral("secret")));
    QCOMPARE(bob.currentTimeZoneISP, 1);
    // The administrator's records stay where they were.
    QCOMPARE(ReadDayTariff(f.store(), 1, 2, 3).size(), 2);
    if (!copy) {
        QCOMPARE(bob.numberOfISPs, 1);
        QCOMPARE(bob.numberOfAlarms, 0);
        QCOMPARE(bob.numberOfPrograms, 0);
        QCOMPARE(ReadIspRecord(f.store(), 2, 1).ispName, QStringLiteral("Default"));
        QCOMPARE(ReadIspRecord(f.store(), 2, 1).dialupName, QStringLiteral("Any"));
        QVERIFY(!f.store().keyExists(Store::hivePathOf(AlarmKey(2, 1))));
        return;
    }
    QCOMPARE(bob.numberOfISPs, 2);
    QCOMPARE(bob.numberOfAlarms, 1);
    QCOMPARE(bob.numberOfPrograms, 1);
    AlarmRecord copied;
    ReadAlarmRecord(f.store(), 2, 1, copied);
    QCOMPARE(copied, alarm);
    QCOMPARE(ReadProgramRecord(f.store(), 2, 1), ReadProgramRecord(f.store(), 1, 1));
    QCOMPARE(ReadIspRecord(f.store(), 2, 2), ReadIspRecord(f.store(), 1, 2));
    QCOMPARE(ReadDayTariff(f.store(), 2, 2, 3), ReadDayTariff(f.store(), 1, 2, 3));
    QCOMPARE(ReadDayTariff(f.store(), 2, 1, 8), ReadDayTariff(f.store(), 1, 1, 8));
    QCOMPARE(ReadNumberOfBands(f.store(), 2, 1, 1), 0);
}

void TestUserList::editingKeepsOrReplacesThePassword()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Admin"), QStringLiteral("pw")});
    StoreEditedUser(f.ctx, newUser(QStringLiteral("Bob")), false);
    TUserInfo edit = newUser(QStringLiteral("Robert"));
    edit.isEdit = true;
    edit.userNumber = 2;
    edit.password.clear();
    edit.keepPassword = true;
    StoreEditedUser(f.ctx, edit, false);
    UserRecord bob = ReadUserRecord(f.store(), 2);
    QCOMPARE(bob.loginName, QStringLiteral("Robert"));
    QVERIFY(PasswordMatches(bob.password, QStringLiteral("secret")));
    QCOMPARE(f.ctx.settings.NumberOfUsers, 2);

    edit.password = QStringLiteral("new");
    edit.keepPassword = false;
    StoreEditedUser(f.ctx, edit, false);
    bob = ReadUserRecord(f.store(), 2);
    QVERIFY(PasswordMatches(bob.password, QStringLiteral("new")));
    QVERIFY(!PasswordMatches(bob.password, QStringLiteral("secret")));
}

void TestUserList::editingTheLoggedInUserTakesEffectAtOnce()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Admin"), QStringLiteral("pw")});
    f.addUser({QStringLiteral("Bob"), QStringLiteral("pw")});
    f.ctx.login.CurrentUser = 2;
    f.ctx.login.LoggedIn = true;
    f.ctx.tariff.AccountType = AccountMonthly;
    TUserInfo edit = newUser(QStringLiteral("Bob"));
    edit.isEdit = true;
    edit.userNumber = 2;
    edit.keepPassword = true;
    edit.accountType = QStringLiteral("Weekly");
    edit.billDate = QStringLiteral("1");
    edit.restrictions = DisableAlarmEditing;
    int applied = 0;
    connect(&f.ctx.events, &EngineEvents::restrictionsChanged, [&] { ++applied; });
    StoreEditedUser(f.ctx, edit, false);
    QCOMPARE(f.ctx.login.Restrictions, int(DisableAlarmEditing));
    QCOMPARE(applied, 1);
    // A weekly period from Monday 8 January 2001 (today is Wednesday the 10th).
    QCOMPARE(f.ctx.tariff.AccountType, int(AccountWeekly));
    QCOMPARE(f.ctx.tariff.AccountStartDate, EncodeDate(2001, 1, 8));
}

void TestUserList::theListShowsEveryUserWhileLoggedIn()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Admin"), QStringLiteral("pw")});
    f.addUser({QStringLiteral("Bob"), QStringLiteral("pw"), QStringLiteral("Quarterly")});
    UserListModel model(f.ctx);
    model.rebuild();
    QCOMPARE(model.rowCount(), 0);
    f.ctx.login.LoggedIn = true;
    model.rebuild();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, UserListModel::LoginName).data().toString(), QStringLiteral("Bob"));
    QCOMPARE(model.index(1, UserListModel::RealName).data().toString(), QStringLiteral("Bob Real"));
    QCOMPARE(model.index(1, UserListModel::AccountType).data().toString(), QStringLiteral("Quarterly"));
    QCOMPARE(model.index(1, UserListModel::CreationDate).data().toString(), FormatShortDate(36526));
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Creation Date"));
}

TALLYLINE_ENGINE_TEST_MAIN(TestUserList)
#include "TestUserList.moc"
