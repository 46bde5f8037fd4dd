#include "account_window/gui/AlarmsPageWidget.h"
#include "account_window/gui/ApplicationsPageWidget.h"
#include "account_window/gui/UsersPageWidget.h"
#include "alarms/AlarmForm.h"
#include "alarms/AlarmList.h"
#include "session/AddEditAppForm.h"
#include "session/ProgramList.h"
#include "store/FloatText.h"
#include "support/AccountWindowProgram.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"
#include "tariff/gui/EditorFields.h"
#include "users/EditUserForm.h"
#include "users/Passwords.h"
#include "users/UserList.h"
#include "users/UserRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>

using testsupport::AccountWindowProgram;
using testsupport::AnswerNextBox;
using testsupport::TariffSeed;
using testsupport::WhenOpen;

// The Users, Alarms and Applications pages and their editors, in the
// account window as the program opens it.
class TestAccountPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addingAndEditingAUser();
    void removingUsersAndWhatIsRefused();
    void addingAnAlarm_data();
    void addingAnAlarm();
    void removingAnAlarm();
    void addingAndRunningAProgram();
    void restrictionsHideOrRefuse_data();
    void restrictionsHideOrRefuse();
};

namespace {

QString cell(const QAbstractItemModel *model, int row, int column)
{
    return model->index(row, column).data().toString();
}

// Types into an hours or minutes box and leaves it.
void typeAndLeave(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    Q_EMIT edit->editingFinished();
}

void clickRow(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void choose(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

void selectRow(QTableView *list, int row)
{
    list->selectRow(row);
}

// An executable file below the program's folder.
QString makeProgram(AccountWindowProgram &p, const QString &relative)
{
    const QString path = p.temp.path(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n");
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

} // namespace

void TestAccountPages::addingAndEditingAUser()
{
    AccountWindowProgram p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    TMainForm *window = p.openFromTray();
    UsersPageWidget *page = window->usersPage();
    window->pages()->setCurrentIndex(TMainForm::UsersPage);
    QCOMPARE(page->model()->rowCount(), 2);
    QCOMPARE(cell(page->model(), 1, UserListModel::LoginName), QStringLiteral("Ann"));
    testsupport::screenshot(window, QStringLiteral("users-page"));

    QStringList boxes;
    WhenOpen<TEditUserForm>([&](TEditUserForm *form) {
        // A new user: monthly from today's day, and kept from user editing.
        QCOMPARE(form->windowTitle(), QStringLiteral("Add new user"));
        QCOMPARE(form->accountCombo()->currentText(), QStringLiteral("Monthly"));
        QCOMPARE(form->billDateCombo()->currentText(), QStringLiteral("10th"));
        QCOMPARE(form->periodLabel()->text(), QStringLiteral("of each month"));
        QVERIFY(form->loginNameEdit()->text().isEmpty());
        QCOMPARE(TickedRows(form->restrictionsList()), int(DisableUserEditing));
        testsupport::screenshot(form, QStringLiteral("user-editor-identification"));
        form->pages()->setCurrentIndex(1);
        testsupport::screenshot(form, QStringLiteral("user-editor-restrictions"));

        // Nothing is stored while anything is wrong.
        form->pages()->setCurrentIndex(0);
        AnswerNextBox(QStringLiteral("ok"), &boxes);
        form->okButton()->click();
        form->loginNameEdit()->setText(QStringLiteral("Bob"));
        form->passwordEdit()->setText(QStringLiteral("x"));
        form->confirmPasswordEdit()->setText(QStringLiteral("X"));
        AnswerNextBox(QStringLiteral("ok"), &boxes);
        form->okButton()->click();
        form->confirmPasswordEdit()->setText(QStringLiteral("x"));
        choose(form->accountCombo(), 2);
        QCOMPARE(form->billDateLabel()->text(), QStringLiteral("Next Bill Date"));
        QVERIFY(form->dayEdit()->isVisibleTo(form) && !form->billDateCombo()->isVisibleTo(form));
        for (const char *day : {"31", "29"}) {
            form->dayEdit()->setText(QLatin1String(day));
            form->monthEdit()->setText(QStringLiteral("02"));
            AnswerNextBox(QStringLiteral("ok"), &boxes);
            form->okButton()->click();
        }
        QCOMPARE(p.ctx.settings.NumberOfUsers, 2);
        form->dayEdit()->setText(QStringLiteral("28"));
        AnswerNextBox(QStringLiteral("no"), &boxes);
        form->okButton()->click();
    });
    page->addButton()->click();
    QCOMPARE(boxes, (QStringList{"You must enter a login name.", "Passwords do not match, please re-enter.",
                                 "Bill date entered is invalid.", "Bill date entered is invalid.",
                                 "Would you like to copy the timezones, alarms etc. from the admin account to this "
                                 "new account?."}));
    QCOMPARE(p.ctx.settings.NumberOfUsers, 3);
    const UserRecord bob = ReadUserRecord(*p.temp.store, 3);
    QCOMPARE(bob.loginName, QStringLiteral("Bob"));
    QCOMPARE(bob.accountType, QStringLiteral("Quarterly"));
    QCOMPARE(bob.billDate, FloatToStoreText(EncodeDate(1998, 2, 28)));
    QCOMPARE(bob.numberOfAlarms, 0);
    QCOMPARE(page->model()->rowCount(), 3);
    QCOMPARE(window->userAccountCombo()->count(), 3);
    QVERIFY(!p.windows.editorWindowOpen());

    // Editing shows the stored bill date; empty password fields keep the password.
    selectRow(page->list(), 2);
    WhenOpen<TEditUserForm>([&](TEditUserForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Edit user"));
        QVERIFY(p.windows.editorWindowOpen());
        QCOMPARE(form->loginNameEdit()->text(), QStringLiteral("Bob"));
        QVERIFY(form->passwordEdit()->text().isEmpty());
        QCOMPARE(form->dayEdit()->text(), QStringLiteral("28"));
        QCOMPARE(form->monthEdit()->text(), QStringLiteral("02"));
        form->realNameEdit()->setText(QStringLiteral("Robert"));
        form->okButton()->click();
    });
    page->editButton()->click();
    QCOMPARE(ReadUserRecord(*p.temp.store, 3).realName, QStringLiteral("Robert"));
    QVERIFY(PasswordMatches(ReadUserRecord(*p.temp.store, 3).password, QStringLiteral("x")));
    QCOMPARE(cell(page->model(), 2, UserListModel::RealName), QStringLiteral("Robert"));

    // The administrator's identity and restrictions are locked.
    selectRow(page->list(), 0);
    WhenOpen<TEditUserForm>([&](TEditUserForm *form) {
        QVERIFY(!form->loginNameEdit()->isEnabled());
        QVERIFY(!form->realNameEdit()->isEnabled());
        clickRow(form->restrictionsList(), 0);
        QCOMPARE(TickedRows(form->restrictionsList()), 0);
        form->reject();
    });
    page->editButton()->click();
}

void TestAccountPages::removingUsersAndWhatIsRefused()
{
    AccountWindowProgram p;
    for (const char *name : {"Bob", "Carl"})
        testsupport::AddSeedUser(*p.temp.store, p.ctx.settings, {QLatin1String(name), QStringLiteral("pw")});
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    TMainForm *window = p.openFromTray();
    UsersPageWidget *page = window->usersPage();
    p.ctx.settings.DeletePrompt = true;

    // Removing user 2 of 4.
    QStringList boxes;
    selectRow(page->list(), 1);
    AnswerNextBox(QStringLiteral("yes"), &boxes);
    page->removeButton()->click();
    QCOMPARE(page->model()->rowCount(), 3);
    QCOMPARE(cell(page->model(), 1, UserListModel::LoginName), QStringLiteral("Bob"));
    QCOMPARE(ReadUserRecord(*p.temp.store, 3).loginName, QStringLiteral("Carl"));
    QCOMPARE(window->userAccountCombo()->itemText(2), QStringLiteral("Carl"));

    // The administrator stays, and nothing is edited while a session is open.
    selectRow(page->list(), 0);
    AnswerNextBox(QStringLiteral("ok"), &boxes);
    page->removeButton()->click();
    p.ctx.shell.SessionOpen = true;
    for (QPushButton *button : {page->addButton(), page->editButton(), page->removeButton()}) {
        selectRow(page->list(), 2);
        AnswerNextBox(QStringLiteral("ok"), &boxes);
        button->click();
    }
    p.ctx.shell.SessionOpen = false;
    const QString online = QStringLiteral("You cannot edit users while a session is open.");
    QCOMPARE(boxes, (QStringList{"Are you sure you want to remove the user?", "You cannot remove the Admin user!",
                                 online, online, online}));
    QCOMPARE(p.ctx.settings.NumberOfUsers, 3);
    QVERIFY(!p.windows.editorWindowOpen());
}

void TestAccountPages::addingAnAlarm_data()
{
    QTest::addColumn<int>("isps");
    QTest::addColumn<int>("ispPosition");
    QTest::addColumn<int>("ispIndex");
    QTest::newRow("one ISP") << 1 << -1 << 1;
    QTest::newRow("three ISPs, the second listed") << 3 << 1 << 3;
}

void TestAccountPages::addingAnAlarm()
{
    QFETCH(int, isps);
    QFETCH(int, ispPosition);
    QFETCH(int, ispIndex);
    AccountWindowProgram p;
    for (int i = 2; i <= isps; ++i)
        TariffSeed(*p.temp.store, p.admin).isp(i, QStringLiteral("ISP %1").arg(i), QStringLiteral("Line%1").arg(i));
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    TMainForm *window = p.openFromTray();
    AlarmsPageWidget *page = window->alarmsPage();

    QStringList boxes;
    WhenOpen<TAlarmForm>([&](TAlarmForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Add new alarm"));
        QCOMPARE(form->typeCombo()->currentIndex(), 0);
        QCOMPARE(form->limitMinutesEdit()->text(), QStringLiteral("00"));
        QCOMPARE(form->limitLabel()->text(), QStringLiteral("Time online limit :"));
        QVERIFY(form->alwaysActiveCheck()->isChecked());
        QVERIFY(!form->startHoursEdit()->isEnabled());
        QCOMPARE(TickedRows(form->daysList()), 0x7f);
        QCOMPARE(form->waveFileLabel()->text(), p.ctx.startup.programDirectory + QStringLiteral("Uh oh.wav"));
        QCOMPARE(form->ispCombo()->count(), isps - 1);
        QVERIFY(!form->ispCombo()->isEnabled());
        testsupport::screenshot(form, QStringLiteral("alarm-editor-general"));

        // 00:00 is refused and the editor stays.
        AnswerNextBox(QStringLiteral("ok"), &boxes);
        form->okButton()->click();
        QVERIFY(form->isVisible());

        typeAndLeave(form->limitMinutesEdit(), QStringLiteral("75"));
        QCOMPARE(form->limitMinutesEdit()->text(), QStringLiteral("59"));
        typeAndLeave(form->limitHoursEdit(), QStringLiteral("7"));
        QCOMPARE(form->limitHoursEdit()->text(), QStringLiteral("07"));
        choose(form->typeCombo(), DailyCostAlarm);
        QCOMPARE(form->limitLabel()->text(), QStringLiteral("Daily cost limit : \u00a3"));
        QVERIFY(form->allowanceEdit()->isVisibleTo(form) && !form->limitHoursEdit()->isVisibleTo(form));
        QVERIFY(!form->customMessageEdit()->isVisibleTo(form));
        form->allowanceEdit()->setText(QStringLiteral("2.50"));
        form->useIspCheck()->setChecked(true);
        QVERIFY(form->ispCombo()->isEnabled());
        form->ispCombo()->setCurrentIndex(ispPosition);
        testsupport::screenshot(form, QStringLiteral("alarm-editor-cost-limit"));
        form->playButton()->click();
        QCOMPARE(p.sound.played, QStringList{form->waveFileLabel()->text()});

        form->pages()->setCurrentIndex(1);
        form->alwaysActiveCheck()->setChecked(false);
        QVERIFY(form->startHoursEdit()->isEnabled());
        clickRow(form->daysList(), 1);
        QCOMPARE(TickedRows(form->daysList()), 0x7f & ~2);
        testsupport::screenshot(form, QStringLiteral("alarm-editor-time-zone"));
        // Active all the time again: the days shown do not count.
        form->alwaysActiveCheck()->setChecked(true);
        clickRow(form->daysList(), 1);
        QCOMPARE(TickedRows(form->daysList()), 0x7f & ~2);
        form->okButton()->click();
    });
    page->addButton()->click();
    QCOMPARE(boxes, QStringList{QStringLiteral("00:00 is not a valid time online limit.")});
    AlarmRecord stored;
    ReadAlarmRecord(*p.temp.store, p.admin, 1, stored);
    QCOMPARE(stored.AlarmType, int(DailyCostAlarm));
    QCOMPARE(stored.TotalCost, QStringLiteral("2.50"));
    QCOMPARE(stored.DownloadLimit, 0);
    QCOMPARE(stored.AllowanceTime, 7 * 60 + 59);
    QCOMPARE(stored.ISPIndex, ispIndex);
    QCOMPARE(stored.UseISP, 1);
    QCOMPARE(stored.UseTimeZone, 0);
    QCOMPARE(stored.Days, 255);
    QCOMPARE(page->model()->rowCount(), 1);
    QCOMPARE(cell(page->model(), 0, AlarmListModel::Description), QStringLiteral("Daily cost limit"));
    window->pages()->setCurrentIndex(TMainForm::AlarmsPage);
    testsupport::screenshot(window, QStringLiteral("alarms-page"));

    // Editing shows what was stored.
    WhenOpen<TAlarmForm>([&](TAlarmForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Edit alarm"));
        QCOMPARE(form->typeCombo()->currentIndex(), int(DailyCostAlarm));
        QCOMPARE(form->allowanceEdit()->text(), QStringLiteral("2.5"));
        QCOMPARE(form->limitHoursEdit()->text(), QStringLiteral("07"));
        QVERIFY(form->useIspCheck()->isChecked());
        QCOMPARE(form->ispCombo()->currentIndex(), ispPosition);
        form->reject();
    });
    page->editButton()->click();
}

void TestAccountPages::removingAnAlarm()
{
    AccountWindowProgram p;
    QVERIFY(p.logIn(QStringLiteral("Ann")));
    TMainForm *window = p.openFromTray();
    AlarmsPageWidget *page = window->alarmsPage();
    for (int minutes : {10, 20, 30}) {
        AlarmEditorInput in;
        in.limitMinutes = minutes;
        QVERIFY(StoreAlarm(p.ctx, 0, in));
    }
    QCOMPARE(page->model()->rowCount(), 3);
    QCOMPARE(page->list()->currentIndex().row(), 2);
    p.ctx.settings.DeletePrompt = false;
    selectRow(page->list(), 0);
    page->removeButton()->click();
    QCOMPARE(page->model()->rowCount(), 2);
    QCOMPARE(cell(page->model(), 0, AlarmListModel::Limit), QStringLiteral("00:20"));
    QCOMPARE(ReadUserRecord(*p.temp.store, p.ann).numberOfAlarms, 2);
}

void TestAccountPages::addingAndRunningAProgram()
{
    AccountWindowProgram p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    TMainForm *window = p.openFromTray();
    ApplicationsPageWidget *page = window->applicationsPage();
    window->pages()->setCurrentIndex(TMainForm::ApplicationsPage);
    const QString program = makeProgram(p, QStringLiteral("net tools/mailer"));

    QStringList boxes;
    WhenOpen<TAddEditAppForm>([&](TAddEditAppForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Add Application"));
        QCOMPARE(form->pages()->currentIndex(), 0);
        QVERIFY(form->alwaysRunsCheck()->isChecked());
        QVERIFY(!form->startHoursEdit()->isEnabled());
        QCOMPARE(TickedRows(form->daysList()), 0x7f);
        testsupport::screenshot(form, QStringLiteral("program-dialog-application"));

        form->fileEdit()->setText(p.temp.path(QStringLiteral("no such program")));
        AnswerNextBox(QStringLiteral("ok"), &boxes);
        form->okButton()->click();
        QVERIFY(form->isVisible());

        form->fileEdit()->setText(program);
        form->autoCloseCheck()->setChecked(true);
        form->pages()->setCurrentIndex(1);
        form->alwaysRunsCheck()->setChecked(false);
        for (int day = 1; day <= 5; ++day)
            clickRow(form->daysList(), day);
        QCOMPARE(TickedRows(form->daysList()), 1 | 64);
        typeAndLeave(form->startHoursEdit(), QStringLiteral("7"));
        QCOMPARE(form->startHoursEdit()->text(), QStringLiteral("07"));
        typeAndLeave(form->endHoursEdit(), QStringLiteral("30"));
        QCOMPARE(form->endHoursEdit()->text(), QStringLiteral("23"));
        typeAndLeave(form->endMinutesEdit(), QStringLiteral("75"));
        QCOMPARE(form->endMinutesEdit()->text(), QStringLiteral("59"));
        testsupport::screenshot(form, QStringLiteral("program-dialog-time-zone"));
        form->okButton()->click();
    });
    page->addButton()->click();
    QCOMPARE(boxes, QStringList{QStringLiteral("The application you have entered either has an invalid path or "
                                               "does not exist.")});
    QCOMPARE(ReadProgramRecord(*p.temp.store, p.admin, 1), (SessionProgram{program, true, 1, 7 * 60, 1439, 65}));
    QCOMPARE(page->model()->rowCount(), 1);
    QCOMPARE(cell(page->model(), 0, ProgramListModel::Days), QStringLiteral("Mon,Sun"));
    QCOMPARE(cell(page->model(), 0, ProgramListModel::Start), QStringLiteral("07:00"));
    testsupport::screenshot(window, QStringLiteral("applications-page"));

    page->runButton()->click();
    QCOMPARE(p.launcher.starts.size(), 1);
    QCOMPARE(p.launcher.starts[0].program, program);
    QCOMPARE(p.launcher.starts[0].workingDirectory, p.temp.path(QStringLiteral("net tools")));

    WhenOpen<TAddEditAppForm>([&](TAddEditAppForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Edit Application"));
        QCOMPARE(form->fileEdit()->text(), program);
        QVERIFY(!form->alwaysRunsCheck()->isChecked());
        QCOMPARE(form->endMinutesEdit()->text(), QStringLiteral("59"));
        QCOMPARE(TickedRows(form->daysList()), 65);
        form->reject();
    });
    Q_EMIT page->list()->doubleClicked(page->model()->index(0, 0));
}

void TestAccountPages::restrictionsHideOrRefuse_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("restrictions");
    QTest::addColumn<bool>("alarmEditing");
    QTest::addColumn<bool>("programEditing");
    QTest::addColumn<bool>("usersPage");
    QTest::addColumn<bool>("manualSessions");
    const int all = 127;
    QTest::newRow("none") << "Ann" << 0 << true << true << true << true;
    QTest::newRow("user editing") << "Ann" << int(DisableUserEditing) << true << true << false << true;
    QTest::newRow("alarm editing") << "Ann" << int(DisableAlarmEditing) << false << true << true << true;
    QTest::newRow("applications editing") << "Ann" << int(DisableSessionApplicationsEditing) << true << false << true
                                          << true;
    QTest::newRow("manual open and close") << "Ann" << int(DisableManualSessionOpenClose) << true << true << true
                                           << false;
    QTest::newRow("administrator exempt but for sessions by hand") << "Admin" << all << true << true << true << false;
}

void TestAccountPages::restrictionsHideOrRefuse()
{
    QFETCH(QString, user);
    QFETCH(int, restrictions);
    QFETCH(bool, alarmEditing);
    QFETCH(bool, programEditing);
    QFETCH(bool, usersPage);
    QFETCH(bool, manualSessions);
    AccountWindowProgram p;
    const int n = user == QStringLiteral("Admin") ? p.admin : p.ann;
    p.temp.store->WriteStoreInteger(QStringLiteral("Restrictions"), TariffKeys::user(n), restrictions);
    AlarmEditorInput alarm;
    alarm.limitMinutes = 5;
    ProgramEditorInput program;
    program.filename = makeProgram(p, QStringLiteral("prog"));
    p.ctx.login.CurrentUser = n;
    QVERIFY(StoreAlarm(p.ctx, 0, alarm));
    QVERIFY(StoreProgram(p.ctx, 0, program));
    QVERIFY(p.logIn(user));
    TMainForm *window = p.openFromTray();
    AlarmsPageWidget *alarms = window->alarmsPage();
    ApplicationsPageWidget *programs = window->applicationsPage();

    for (QPushButton *b : {alarms->addButton(), alarms->editButton(), alarms->removeButton()})
        QCOMPARE(!b->isHidden(), alarmEditing);
    for (QPushButton *b : {programs->addButton(), programs->editButton(), programs->removeButton()})
        QCOMPARE(!b->isHidden(), programEditing);
    QVERIFY(!programs->runButton()->isHidden());
    QCOMPARE(window->pages()->isTabVisible(TMainForm::UsersPage), usersPage);

    // The alarm list's pop-up and double-clicks, and a double-click on a
    // program, ask for an editor only where editing is allowed.
    QSignalSpy alarmEditors(window, &TMainForm::alarmEditorRequested);
    QSignalSpy programEditors(window, &TMainForm::programEditorRequested);
    const auto closeEditor = [] {
        if (QWidget *editor = QApplication::activeModalWidget())
            editor->close();
    };
    for (const char *item : {"AlarmAddItem", "AlarmEditItem"}) {
        QTimer::singleShot(0, closeEditor);
        alarms->listMenu()->findChild<QAction *>(QLatin1String(item))->trigger();
    }
    QTimer::singleShot(0, closeEditor);
    Q_EMIT alarms->list()->doubleClicked(alarms->model()->index(0, 0));
    QTimer::singleShot(0, closeEditor);
    Q_EMIT programs->list()->doubleClicked(programs->model()->index(0, 0));
    QCOMPARE(alarmEditors.count(), alarmEditing ? 3 : 0);
    QCOMPARE(programEditors.count(), programEditing ? 1 : 0);
    p.ctx.settings.DeletePrompt = false;
    alarms->list()->selectRow(0);
    alarms->listMenu()->findChild<QAction *>(QStringLiteral("AlarmRemoveItem"))->trigger();
    QCOMPARE(ReadUserRecord(*p.temp.store, n).numberOfAlarms, alarmEditing ? 0 : 1);

    // Opening a session by hand is refused to the administrator too.
    QStringList boxes;
    if (!manualSessions)
        AnswerNextBox(QStringLiteral("ok"), &boxes);
    window->action(QStringLiteral("OpenSessionItem"))->trigger();
    QCOMPARE(boxes, manualSessions ? QStringList()
                                   : QStringList{QStringLiteral("You are not permitted to manually open && close "
                                                                "sessions.")});
    QCOMPARE(p.ctx.shell.SessionOpen, manualSessions);
    if (p.ctx.shell.SessionOpen)
        window->action(QStringLiteral("CloseSessionItem"))->trigger();
}

TALLYLINE_TEST_MAIN(TestAccountPages)
#include "TestAccountPages.moc"
