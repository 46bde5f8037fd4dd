#include "session/SessionLifecycle.h"
#include "store/FloatText.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "users/Passwords.h"
#include "users/Users.h"

#include <QSignalSpy>

using testsupport::SeedUser;
using testsupport::SessionFixture;
using testsupport::TariffSeed;

namespace {

QString wrongPassword(const QString &name)
{
    return QStringLiteral("Password entered is incorrect for user ") + name + QLatin1Char('.');
}

QString notFound(const QString &name)
{
    return QStringLiteral("User ") + name + QStringLiteral(" was not found in the database.");
}

// Admin (user 1, restricted from timezone editing), Fred, and two users
// who share the login name "Bob".
void seedUsers(SessionFixture &f)
{
    f.addUser({QStringLiteral("Admin"), QStringLiteral("Secret"), QStringLiteral("Monthly"), QStringLiteral("1"), 1});
    f.addUser({QStringLiteral("Fred"), QString()});
    f.addUser({QStringLiteral("Bob"), QStringLiteral("first")});
    f.addUser({QStringLiteral("Bob"), QStringLiteral("second")});
}

} // namespace

class TestUsers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogLogin_data();
    void dialogLogin();
    void sameLoginNameTriedInRecordOrder();
    void noUsersOkDoesNothing();
    void administratorSessionAndSettingsLock_data();
    void administratorSessionAndSettingsLock();
    void billDateRepair_data();
    void billDateRepair();
    void legacyPasswordUpgradedAtLogin();
    void passwordHashes();
    void refusalsWhileSessionOpen();
    void startUpLogon_data();
    void startUpLogon();
    void loginCopiesRecordAndSetsMenu();
    void recordWithoutLoginNameLogsNobodyIn();
    void logOutKeepsNameAndAdministrator();
    void checkRestrictionsOnTheTray();
    void administratorSwitchesAccount();
};

void TestUsers::dialogLogin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("loggedInAs");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("administrator") << "Admin" << "Secret" << 1 << QStringList();
    QTest::newRow("login name in other case") << "admin" << "Secret" << 0 << QStringList{notFound("admin")};
    QTest::newRow("password in other case") << "Admin" << "secret" << 0 << QStringList{wrongPassword("Admin")};
    QTest::newRow("password with a trailing space")
        << "Admin" << "Secret " << 0 << QStringList{wrongPassword("Admin")};
    QTest::newRow("empty stored, empty typed") << "Fred" << "" << 2 << QStringList();
    QTest::newRow("empty stored, something typed") << "Fred" << "x" << 0 << QStringList{wrongPassword("Fred")};
    QTest::newRow("stored password, nothing typed") << "Admin" << "" << 0 << QStringList{wrongPassword("Admin")};
    QTest::newRow("unknown name") << "Nobody" << "" << 0 << QStringList{notFound("Nobody")};
}

void TestUsers::dialogLogin()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, loggedInAs);
    QFETCH(QStringList, messages);
    SessionFixture f;
    seedUsers(f);
    QSignalSpy loggedIn(&f.ctx.events, &EngineEvents::userLoggedIn);
    const LoginResult result = LogInWithPassword(f.ctx, name, password);
    QCOMPARE(result == LoginResult::LoggedIn, loggedInAs != 0);
    QCOMPARE(f.ui.texts(), messages);
    for (const auto &m : f.ui.messages)
        QCOMPARE(m.kind, MessageKind::Information);
    QCOMPARE(f.ctx.login.LoggedIn, loggedInAs != 0);
    QCOMPARE(f.ctx.login.CurrentUser, loggedInAs);
    QCOMPARE(f.ctx.settings.PreviousUser, loggedInAs);
    QCOMPARE(loggedIn.count(), loggedInAs != 0 ? 1 : 0);
    if (loggedInAs)
        QCOMPARE(f.ctx.login.CurrentUserName, name);
}

void TestUsers::sameLoginNameTriedInRecordOrder()
{
    SessionFixture f;
    seedUsers(f);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Bob"), QStringLiteral("second")), LoginResult::LoggedIn);
    QCOMPARE(f.ctx.login.CurrentUser, 4);
    QCOMPARE(f.ui.texts(), QStringList{wrongPassword(QStringLiteral("Bob"))});

    f.ui.messages.clear();
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Bob"), QStringLiteral("first")), LoginResult::LoggedIn);
    QCOMPARE(f.ctx.login.CurrentUser, 3);
    QVERIFY(f.ui.messages.isEmpty());

    // Neither password: both records refuse, and the name was found.
    f.ui.messages.clear();
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Bob"), QStringLiteral("third")), LoginResult::Refused);
    QCOMPARE(f.ui.texts(), (QStringList{wrongPassword(QStringLiteral("Bob")), wrongPassword(QStringLiteral("Bob"))}));
    // The failed attempt leaves the earlier login alone.
    QCOMPARE(f.ctx.login.CurrentUser, 3);
    QVERIFY(f.ctx.login.LoggedIn);
}

void TestUsers::noUsersOkDoesNothing()
{
    SessionFixture f;
    QCOMPARE(LogInWithPassword(f.ctx, QString(), QString()), LoginResult::NoUsers);
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(!f.ctx.login.LoggedIn);
}

void TestUsers::administratorSessionAndSettingsLock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("lockOn");
    QTest::addColumn<bool>("adminSession");
    QTest::addColumn<bool>("settingsAllowed");

    QTest::newRow("user 1, restricted all the same") << "Admin" << "Secret" << true << true << true;
    QTest::newRow("other user named ADMIN") << "ADMIN" << "b" << true << false << true;
    QTest::newRow("ordinary user, lock on") << "Fred" << "" << true << false << false;
    QTest::newRow("ordinary user, lock off") << "Fred" << "" << false << false << true;
}

void TestUsers::administratorSessionAndSettingsLock()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, lockOn);
    QFETCH(bool, adminSession);
    QFETCH(bool, settingsAllowed);
    SessionFixture f;
    seedUsers(f);
    f.addUser({QStringLiteral("ADMIN"), QStringLiteral("b")});
    f.ctx.settings.AdminSettingsLockOut = lockOn;
    QCOMPARE(LogInWithPassword(f.ctx, name, password), LoginResult::LoggedIn);
    QCOMPARE(f.ctx.login.AdminSession, adminSession);
    QCOMPARE(SettingsUnlocked(f.ctx), settingsAllowed);
    QCOMPARE(f.ui.texts(), settingsAllowed ? QStringList()
                                           : QStringList{QStringLiteral("Only the administrator can change settings!")});
    // An administrator session keeps user 1's restrictions out of force,
    // except the one on opening and closing sessions by hand.
    if (adminSession) {
        QCOMPARE(f.ctx.login.Restrictions, int(DisableTimezoneEditing));
        QVERIFY(!RestrictionApplies(f.ctx, DisableTimezoneEditing));
    }
}

void TestUsers::billDateRepair_data()
{
    QTest::addColumn<QString>("accountType");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("after");

    QTest::newRow("weekly 0") << "Weekly" << "0" << "1";
    QTest::newRow("weekly empty") << "Weekly" << "" << "1";
    QTest::newRow("weekly word") << "Weekly" << "Monday" << "1";
    QTest::newRow("weekly 3 kept") << "Weekly" << "3" << "3";
    QTest::newRow("monthly fraction") << "monthly" << "2.5" << "1";
    QTest::newRow("monthly 31 kept") << "MONTHLY" << "31" << "31";
    QTest::newRow("unknown type counts as weekly") << "Fortnightly" << "0" << "1";
    QTest::newRow("quarterly 0 left alone") << "Quarterly" << "0" << "0";
    QTest::newRow("yearly empty left alone") << "Yearly" << "" << "";
}

void TestUsers::billDateRepair()
{
    QFETCH(QString, accountType);
    QFETCH(QString, stored);
    QFETCH(QString, after);
    SessionFixture f;
    f.addUser({QStringLiteral("Fred"), QString(), accountType, stored});
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QString()), LoginResult::LoggedIn);
    QCOMPARE(f.userValue(1, "Bill Date"), after);
    QCOMPARE(f.ctx.tariff.AccountType, AccountTypeStringToInteger(accountType));
}

void TestUsers::legacyPasswordUpgradedAtLogin()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Fred"), QStringLiteral("Pa55 word")});
    f.addUser({QStringLiteral("Jane"), QString()});

    // A wrong password changes nothing.
    LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("pa55 word"));
    QCOMPARE(f.userValue(1, "Password"), QStringLiteral("Pa55 word"));

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("Pa55 word")), LoginResult::LoggedIn);
    const QString hash = f.userValue(1, "Password");
    QVERIFY(IsPasswordHash(hash));
    QVERIFY(!hash.contains(QStringLiteral("Pa55")));

    // The hash keeps working, exactly as the plain password did.
    f.ctx.login.LoggedIn = false;
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("pa55 word")), LoginResult::Refused);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QStringLiteral("Pa55 word")), LoginResult::LoggedIn);
    QCOMPARE(f.userValue(1, "Password"), hash);

    // An empty legacy password becomes a hash of the empty password.
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Jane"), QString()), LoginResult::LoggedIn);
    QVERIFY(IsPasswordHash(f.userValue(2, "Password")));
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Jane"), QStringLiteral(" ")), LoginResult::Refused);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Jane"), QString()), LoginResult::LoggedIn);
}

void TestUsers::passwordHashes()
{
    SessionFixture f;
    f.addUser({QStringLiteral("Fred"), QString()});
    SetUserPassword(f.ctx, 1, QStringLiteral("s\u00e9same"));
    const QString first = f.userValue(1, "Password");
    SetUserPassword(f.ctx, 1, QStringLiteral("s\u00e9same"));
    const QString second = f.userValue(1, "Password");
    QVERIFY(IsPasswordHash(first));
    QVERIFY(first != second);  // salted
    QVERIFY(PasswordMatches(second, QStringLiteral("s\u00e9same")));
    QVERIFY(!PasswordMatches(second, QStringLiteral("S\u00e9same")));
    QVERIFY(!PasswordMatches(second, QStringLiteral("sesame")));
    QVERIFY(!PasswordMatches(second, QString()));
    QVERIFY(PasswordMatches(HashPassword(QString(), f.ctx.login.PasswordCost), QString()));
    QVERIFY(!PasswordMatches(HashPassword(QString(), f.ctx.login.PasswordCost), QStringLiteral("a")));

    // A plain password that only looks like the start of a hash is still plain.
    QVERIFY(!IsPasswordHash(QStringLiteral("$argon2id")));
    QVERIFY(PasswordMatches(QStringLiteral("$argon2id"), QStringLiteral("$argon2id")));

    // A hash made with other limits is renewed at the next good login.
    QVERIFY(VerifyUserPassword(f.ctx, 1, QStringLiteral("s\u00e9same")));
    QCOMPARE(f.userValue(1, "Password"), second);
    f.ctx.login.PasswordCost.opsLimit += 1;
    QVERIFY(!VerifyUserPassword(f.ctx, 1, QStringLiteral("wrong")));
    QCOMPARE(f.userValue(1, "Password"), second);
    QVERIFY(VerifyUserPassword(f.ctx, 1, QStringLiteral("s\u00e9same")));
    QVERIFY(f.userValue(1, "Password") != second);
    QVERIFY(VerifyUserPassword(f.ctx, 1, QStringLiteral("s\u00e9same")));
}

void TestUsers::refusalsWhileSessionOpen()
{
    SessionFixture f;
    seedUsers(f);
    TariffSeed(f.store(), 2).weekBands(1, {{0, 1439, 0.6, 0, 0}});
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QString()), LoginResult::LoggedIn);
    OpenSession(f.ctx);
    QVERIFY(f.ctx.shell.SessionOpen);

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Admin"), QStringLiteral("Secret")), LoginResult::SessionOpen);
    LogOutUser(f.ctx);
    QVERIFY(!SwitchUserAccount(f.ctx, QStringLiteral("Admin")));
    QCOMPARE(f.ui.texts(), (QStringList{QStringLiteral("Please close this session before loging on as a different user"),
                                        QStringLiteral("You must close this session before logging out."),
                                        QStringLiteral("Please close this session first.")}));
    for (const auto &m : f.ui.messages)
        QCOMPARE(m.kind, MessageKind::Plain);
    QCOMPARE(f.ctx.login.CurrentUser, 2);
    QVERIFY(f.ctx.login.LoggedIn);
    QCOMPARE(f.ctx.settings.PreviousUser, 2);
    // The administrator's password was not even looked at (it is still plain).
    QCOMPARE(f.userValue(1, "Password"), QStringLiteral("Secret"));

    CloseSession(f.ctx);
    LogOutUser(f.ctx);
    QVERIFY(!f.ctx.login.LoggedIn);
}

void TestUsers::startUpLogon_data()
{
    QTest::addColumn<bool>("autoLogon");
    QTest::addColumn<bool>("alwaysPrompt");
    QTest::addColumn<int>("previousUser");
    QTest::addColumn<int>("loggedInAs");
    QTest::addColumn<bool>("adminSession");
    QTest::addColumn<int>("dialogs");

    QTest::newRow("previous user 3") << true << false << 3 << 3 << false << 0;
    QTest::newRow("previous user 1") << true << false << 1 << 1 << true << 0;
    QTest::newRow("always prompt") << true << true << 1 << 0 << false << 1;
    QTest::newRow("no previous user") << true << false << 0 << 0 << false << 1;
    QTest::newRow("previous user gone") << true << false << 9 << 0 << false << 1;
    QTest::newRow("no automatic logon") << false << false << 3 << 0 << false << 0;
}

void TestUsers::startUpLogon()
{
    QFETCH(bool, autoLogon);
    QFETCH(bool, alwaysPrompt);
    QFETCH(int, previousUser);
    QFETCH(int, loggedInAs);
    QFETCH(bool, adminSession);
    QFETCH(int, dialogs);
    SessionFixture f;
    seedUsers(f);
    f.ctx.settings.AutoLogonLastUser = autoLogon;
    f.ctx.settings.AlwaysPromptPassword = alwaysPrompt;
    f.ctx.settings.PreviousUser = previousUser;
    StartUpLogon(f.ctx);
    QCOMPARE(f.ctx.login.LoggedIn, loggedInAs != 0);
    QCOMPARE(f.ctx.login.CurrentUser, loggedInAs);
    QCOMPARE(f.ctx.login.AdminSession, adminSession);
    QCOMPARE(f.ui.shows(UiWindow::Login), dialogs);
    QVERIFY(f.ui.messages.isEmpty());
    // No password was asked, so none was upgraded.
    QVERIFY(!IsPasswordHash(f.userValue(1, "Password")));
    QCOMPARE(f.ctx.shell.Menu.LogOutEnabled, loggedInAs != 0);
    QCOMPARE(f.ctx.shell.Menu.OpenSessionEnabled, loggedInAs != 0);
}

void TestUsers::loginCopiesRecordAndSetsMenu()
{
    SessionFixture f(QDateTime(QDate(2001, 1, 10), QTime(12, 0)));
    seedUsers(f);
    const QString key = TariffKeys::user(2);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfAlarms"), key, 3);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfPrograms"), key, 2);
    f.store().WriteStoreInteger(QStringLiteral("NumberOfISPs"), key, 4);
    f.store().WriteStoreInteger(QStringLiteral("Restrictions"), key, 1 + 16);
    f.store().WriteStoreString(QStringLiteral("Bill Date"), key, QStringLiteral("15"));
    // No "CurrentTimeZoneISP": the value in memory stays.
    f.ctx.tariff.CurrentTimeZoneISP = 3;
    TariffSeed(f.store(), 2).session({DateTimeFromQDateTime(QDateTime(QDate(2001, 1, 2), QTime(9, 0))), 600, 1.5});
    TariffSeed(f.store(), 2).session({DateTimeFromQDateTime(QDateTime(QDate(2001, 1, 10), QTime(9, 0))), 60, 0.25});
    f.ctx.shell.AutoDetectionEnabled = false;
    f.ctx.settings.AutoOpenSession = false;
    QSignalSpy menu(&f.ctx.events, &EngineEvents::menuStateChanged);

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QString()), LoginResult::LoggedIn);
    const LoginState &l = f.ctx.login;
    QCOMPARE(l.CurrentUserName, QStringLiteral("Fred"));
    QCOMPARE(l.NumberOfAlarms, 3);
    QCOMPARE(l.NumberOfPrograms, 2);
    QCOMPARE(l.NumberOfISPs, 4);
    QCOMPARE(l.Restrictions, 17);
    QCOMPARE(l.CreationDate, 36526.0);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, 3);
    // Monthly from the 15th: 15 Dec 2000 to 15 Jan 2001, both sessions in it.
    QCOMPARE(f.ctx.tariff.AccountStartDate, DateTimeFromQDate(QDate(2000, 12, 15)));
    QCOMPARE(f.ctx.tariff.AccountEndDate, DateTimeFromQDate(QDate(2001, 1, 15)));
    QCOMPARE(f.ctx.pricing.AccountCost, 1.75);
    QCOMPARE(f.ctx.pricing.DailyCost, 0.25);
    QCOMPARE(f.ctx.pricing.DailySeconds, qint64(60));
    QCOMPARE(f.ctx.tariff.CurrentDayType, 3);
    // Every login switches detection on; restriction bit 0 disables the item.
    QVERIFY(f.ctx.shell.AutoDetectionEnabled);
    QVERIFY(f.ctx.shell.Menu.AutoDetectionItemChecked);
    QVERIFY(!f.ctx.shell.Menu.AutoDetectionItemEnabled);
    QVERIFY(f.ctx.shell.Menu.OpenSessionEnabled);
    QVERIFY(!f.ctx.shell.Menu.CloseSessionEnabled);
    QVERIFY(f.ctx.shell.Menu.SettingsEnabled);
    QVERIFY(f.ctx.shell.Menu.LogOutEnabled);
    QVERIFY(menu.count() > 0);
}

void TestUsers::recordWithoutLoginNameLogsNobodyIn()
{
    SessionFixture f;
    seedUsers(f);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QString()), LoginResult::LoggedIn);
    f.store().WriteStoreString(QStringLiteral("Login Name"), TariffKeys::user(3), QString());
    f.ctx.login.CurrentUser = 3;
    LoginUser(f.ctx);
    QVERIFY(!f.ctx.login.LoggedIn);
    QCOMPARE(f.ctx.login.CurrentUser, 0);
    QCOMPARE(f.ctx.settings.PreviousUser, 0);
    QCOMPARE(f.ui.shows(UiWindow::Login), 1);

    // CurrentUser 0, or no users at all: only the dialog.
    LoginUser(f.ctx);
    QCOMPARE(f.ui.shows(UiWindow::Login), 2);
    QVERIFY(!f.ctx.login.LoggedIn);
}

void TestUsers::logOutKeepsNameAndAdministrator()
{
    SessionFixture f;
    seedUsers(f);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Admin"), QStringLiteral("Secret")), LoginResult::LoggedIn);
    QSignalSpy out(&f.ctx.events, &EngineEvents::userLoggedOut);
    LogOutUser(f.ctx);
    QCOMPARE(out.count(), 1);
    QVERIFY(!f.ctx.login.LoggedIn);
    QCOMPARE(f.ctx.login.CurrentUser, 0);
    QCOMPARE(f.ctx.login.CurrentUserName, QStringLiteral("Admin"));
    QVERIFY(f.ctx.login.AdminSession);
    QCOMPARE(f.ctx.settings.PreviousUser, 1);
    const TrayMenuState &m = f.ctx.shell.Menu;
    QVERIFY(!m.LogOutEnabled);
    QVERIFY(!m.AutoDetectionItemEnabled);
    QVERIFY(!m.OpenSessionEnabled);
    QVERIFY(!m.CloseSessionEnabled);
    QVERIFY(!m.SettingsEnabled);
}

void TestUsers::checkRestrictionsOnTheTray()
{
    SessionFixture f;
    seedUsers(f);
    f.store().WriteStoreInteger(QStringLiteral("Restrictions"), TariffKeys::user(2), 1);
    QSignalSpy applied(&f.ctx.events, &EngineEvents::restrictionsChanged);

    // User 1 is restricted, but an administrator session ignores it.
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Admin"), QStringLiteral("Secret")), LoginResult::LoggedIn);
    CheckRestrictions(f.ctx);
    QVERIFY(f.ctx.shell.Menu.AutoDetectionItemEnabled);
    QVERIFY(!RestrictionApplies(f.ctx, DisableTimezoneEditing));

    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Fred"), QString()), LoginResult::LoggedIn);
    QVERIFY(!f.ctx.login.AdminSession);
    CheckRestrictions(f.ctx);
    QVERIFY(!f.ctx.shell.Menu.AutoDetectionItemEnabled);
    QVERIFY(RestrictionApplies(f.ctx, DisableTimezoneEditing));
    QVERIFY(!RestrictionApplies(f.ctx, DisableUserEditing));
    QCOMPARE(applied.count(), 2);

    // The account window applies the restrictions again when somebody logs in.
    QObject::connect(&f.ctx.events, &EngineEvents::userLoggedIn, [&f] { CheckRestrictions(f.ctx); });
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Admin"), QStringLiteral("Secret")), LoginResult::LoggedIn);
    QCOMPARE(applied.count(), 3);
    QVERIFY(f.ctx.shell.Menu.AutoDetectionItemEnabled);

    QCOMPARE(RestrictionLabels().size(), 7);
    QCOMPARE(RestrictionLabels().last(), QStringLiteral("Disable manual session open & close"));
}

void TestUsers::administratorSwitchesAccount()
{
    SessionFixture f;
    seedUsers(f);
    QCOMPARE(LogInWithPassword(f.ctx, QStringLiteral("Admin"), QStringLiteral("Secret")), LoginResult::LoggedIn);
    QVERIFY(SwitchUserAccount(f.ctx, QStringLiteral("Bob")));
    QCOMPARE(f.ctx.login.CurrentUser, 3);
    QVERIFY(f.ctx.login.AdminSession);
    QCOMPARE(f.ctx.settings.PreviousUser, 1);
    QVERIFY(!SwitchUserAccount(f.ctx, QStringLiteral("bob")));
    QCOMPARE(f.ui.texts(), QStringList{notFound(QStringLiteral("bob"))});
    QCOMPARE(f.ctx.login.CurrentUser, 3);
}

TALLYLINE_ENGINE_TEST_MAIN(TestUsers)
#include "TestUsers.moc"
