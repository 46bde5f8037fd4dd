#include "app/HelpForm.h"
#include "app/gui/Windows.h"
#include "dialogs/SetupWizard.h"
#include "dialogs/WizardForm.h"
#include "dialogs/WizardISPForm.h"
#include "platform/FakeDialUpNetwork.h"
#include "store/FloatText.h"
#include "support/EngineFixture.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"
#include "tariff/TariffKeys.h"
#include "users/Passwords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QRadioButton>
#include <QTreeWidget>

#include <sodium.h>

using testsupport::EngineFixture;

namespace {

const QString FlatPreset = QStringLiteral("Flat Rate 1p per minute");
const QString PeakPreset = QStringLiteral("Peak Off-Peak Weekend");
const QString EveningPreset = QStringLiteral("Evening and Weekend with Call Charge");

// 2001-01-10 (a Wednesday) at noon, nobody logged in, the shipped presets
// in the program directory and two phone-book entries.
struct WizardFixture : EngineFixture {
    WizardFixture()
    {
        ctx.login = LoginState();
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        const QDir shipped(QStringLiteral(TALLYLINE_SOURCE_DATA_DIR));
        for (const QString &file : shipped.entryList({QStringLiteral("*.tzp")}, QDir::Files))
            QFile::copy(shipped.filePath(file), ctx.startup.programDirectory + file);
        network.phoneBook = {QStringLiteral("Home ISP"), QStringLiteral("Work ISP")};
        ctx.platform.dialUp = &network;
        ctx.settings.NumberOfUsers = 0;
        // The wizard's settings record write must not touch the desktop's autostart.
        ctx.settings.LoadAtStartUp = false;
    }

    QString str(const QString &value, const QString &key) { return store().ReadStoreString(value, key); }
    int num(const QString &value, const QString &key)
    {
        int n = -1;
        store().ReadStoreInteger(value, key, n);
        return n;
    }

    FakeDialUpNetwork network;
};

void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Typing and then leaving the box, as the user does.
void typeAndLeave(QLineEdit *edit, const QString &text)
{
    type(edit, text);
    Q_EMIT edit->editingFinished();
}

void selectPreset(QTreeWidget *list, const QString &name)
{
    const QList<QTreeWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    list->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

// "&Add..." with the picker answered by choosing connection and preset
// (an empty preset leaves the preset list unselected), then OK, and Cancel
// when OK did not close it.
void addIsp(TWizardForm &form, const QString &connection, const QString &preset)
{
    bool handled = false;
    QTimer::singleShot(0, &form, [&] {
        auto *picker = qobject_cast<TWizardISPForm *>(QApplication::activeModalWidget());
        QVERIFY(picker);
        QCOMPARE(picker->windowTitle(), QStringLiteral("Add ISP to Tallyline Detection"));
        QCOMPARE(picker->connectionList()->currentRow(), 0);
        QListWidget *connections = picker->connectionList();
        connections->setCurrentItem(connections->findItems(connection, Qt::MatchExactly).value(0));
        if (!preset.isEmpty())
            picker->presetList()->setCurrentItem(picker->presetList()->findItems(preset, Qt::MatchExactly).value(0));
        QTest::mouseClick(picker->okButton(), Qt::LeftButton);
        if (picker->isVisible())
            QTest::mouseClick(picker->cancelButton(), Qt::LeftButton);
        handled = true;
    });
    QTest::mouseClick(form.addIspButton(), Qt::LeftButton);
    QVERIFY(handled);
}

// Radio buttons and check boxes take clicks on their box and caption only.
void clickBox(QWidget *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// With TALLYLINE_SCREENSHOT_DIR set, a picture of each page reached.
void screenshot(TWizardForm &form)
{
    testsupport::screenshot(&form, QStringLiteral("wizard-page-%1").arg(form.currentPage()));
}

// The page shown is laid out by the event loop before the user can click on it.
void next(TWizardForm &form)
{
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    screenshot(form);
}

} // namespace

class TestSetupWizard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void billDateRows_data();
    void billDateRows();
    void billDates_data();
    void billDates();
    void boxes_data();
    void boxes();
    void pageChecks_data();
    void pageChecks();
    void navigation();
    void cancelRules_data();
    void cancelRules();

    void singleUserClickThrough();
    void multipleUsersClickThrough();
    void finishRefusesInvalidBillDate();
    void afterFinishing();
    void helpButton();
    void helpIsUsableWhileTheWizardWaits();
};

void TestSetupWizard::billDateRows_data()
{
    QTest::addColumn<int>("accountType");
    QTest::addColumn<bool>("listShown");
    QTest::addColumn<QStringList>("someItems");  // items at 0, 1, 2, 10, 21, 22, last
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("period");
    QTest::newRow("weekly") << 0 << true
                            << QStringList{"Mon", "Tue", "Wed", "Sun", "Sun", "Sun", "Sun"} << 2 << "week";
    QTest::newRow("monthly") << 1 << true
                             << QStringList{"1st", "2nd", "3rd", "11th", "22nd", "23rd", "31st"} << 9 << "month";
    QTest::newRow("quarterly") << 2 << false << QStringList() << -1 << "";
    QTest::newRow("yearly") << 3 << false << QStringList() << -1 << "";
}

void TestSetupWizard::billDateRows()
{
    QFETCH(int, accountType);
    QFETCH(bool, listShown);
    QFETCH(QStringList, someItems);
    QFETCH(int, selected);
    QFETCH(QString, period);
    const BillDateRow row = WizardBillDateRow(accountType, QDate(2001, 1, 10));
    QCOMPARE(row.listShown, listShown);
    QCOMPARE(row.dayMonthShown, !listShown);
    QCOMPARE(row.day, QStringLiteral("10"));
    QCOMPARE(row.month, QStringLiteral("01"));
    QCOMPARE(row.selected, selected);
    QCOMPARE(row.period, period);
    QCOMPARE(row.ofEach, listShown ? QStringLiteral("of each ") : QString());
    if (!listShown) {
        QVERIFY(row.items.isEmpty());
        return;
    }
    const int positions[] = {0, 1, 2, 10, 21, 22, int(row.items.size()) - 1};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(row.items.value(std::min(positions[i], int(row.items.size()) - 1)), someItems[i]);
    QCOMPARE(row.items.size(), accountType == 0 ? 7 : 31);
}

void TestSetupWizard::billDates_data()
{
    QTest::addColumn<int>("accountType");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("expected");
    QTest::newRow("weekly Thursday") << 0 << 3 << "" << "" << "4";
    QTest::newRow("monthly 31st") << 1 << 30 << "" << "" << "31";
    QTest::newRow("quarterly 15 March") << 2 << -1 << "15" << "03" << FloatToStoreText(EncodeDate(1998, 3, 15));
    QTest::newRow("yearly 28 February") << 3 << -1 << "28" << "2" << FloatToStoreText(EncodeDate(1998, 2, 28));
    QTest::newRow("31 February") << 2 << -1 << "31" << "02" << "";
    QTest::newRow("29 February, 1998 is no leap year") << 3 << -1 << "29" << "02" << "";
    QTest::newRow("month 13") << 2 << -1 << "01" << "13" << "";
    QTest::newRow("day 0") << 2 << -1 << "00" << "01" << "";
    QTest::newRow("letters") << 3 << -1 << "ab" << "01" << "";
    QTest::newRow("empty") << 3 << -1 << "" << "" << "";
}

void TestSetupWizard::billDates()
{
    QFETCH(int, accountType);
    QFETCH(int, listIndex);
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(QString, expected);
    QCOMPARE(WizardBillDate(accountType, listIndex, day, month), expected);
}

void TestSetupWizard::boxes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("hours above 23") << "hours" << "24" << "23";
    QTest::newRow("hours one digit") << "hours" << "5" << "05";
    QTest::newRow("hours letters") << "hours" << "ab" << "00";
    QTest::newRow("minutes above 59") << "minutes" << "75" << "59";
    QTest::newRow("minutes empty") << "minutes" << "" << "00";
    QTest::newRow("cost 1.5") << "cost" << "1.5" << "1.500";
    QTest::newRow("cost initial") << "cost" << "00.00" << "0.000";
    QTest::newRow("cost letters") << "cost" << "abc" << "0.000";
    QTest::newRow("cost five digits") << "cost" << "12345" << "12345";
    QTest::newRow("cost long fraction") << "cost" << "0.1234567" << "0.123";
    QTest::newRow("cost comma") << "cost" << "2,5" << "2.500";
}

void TestSetupWizard::boxes()
{
    QFETCH(QString, kind);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    if (kind == QLatin1String("hours"))
        QCOMPARE(ClampHoursText(typed), shown);
    else if (kind == QLatin1String("minutes"))
        QCOMPARE(ClampMinutesText(typed), shown);
    else
        QCOMPARE(CostBoxText(typed), shown);
}

void TestSetupWizard::pageChecks_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("proceed");
    QTest::addColumn<int>("kind");  // -1: no message
    QTest::addColumn<QString>("message");
    const int info = int(MessageKind::Information);
    const int warning = int(MessageKind::Warning);
    const QString differ = QStringLiteral("Passwords do not match, please re-enter.");
    const QString badDate = QStringLiteral("Bill date entered is invalid.");
    QTest::newRow("admin fine") << 2 << "" << true << -1 << "";
    QTest::newRow("admin passwords differ") << 2 << "adminConfirm=x" << false << info << differ;
    QTest::newRow("admin passwords differ in case") << 2 << "adminPassword=Pw;adminConfirm=pw" << false << info << differ;
    QTest::newRow("admin quarterly 31/2") << 2 << "adminType=2;adminDay=31;adminMonth=2" << false << warning << badDate;
    QTest::newRow("admin yearly 1/1") << 2 << "adminType=3;adminDay=1;adminMonth=1" << true << -1 << "";
    QTest::newRow("admin weekly ignores the day boxes") << 2 << "adminType=0;adminDay=99" << true << -1 << "";
    QTest::newRow("user fine") << 3 << "userLogin=Jane" << true << -1 << "";
    QTest::newRow("user passwords first") << 3 << "userConfirm=x" << false << info << differ;
    QTest::newRow("user without login name") << 3 << "" << false << info << "You must enter a login name.";
    QTest::newRow("user bad date") << 3 << "userLogin=Jane;userType=3;userDay=29;userMonth=2" << false << warning
                                   << badDate;
    QTest::newRow("no preset goes on") << 4 << "" << true << info
                                       << "You have not chosen any timezone presets, you will need to manually "
                                          "define them if your phone company was'nt in the list.";
    QTest::newRow("preset chosen") << 4 << "preset=Flat" << true << -1 << "";
    QTest::newRow("online 00:00") << 6 << "online=1" << false << info << "00:00 is an invalid online time limit.";
    QTest::newRow("online 00:01") << 6 << "online=1;minutes=01" << true << -1 << "";
    QTest::newRow("online unticked 00:00") << 6 << "" << true << -1 << "";
    QTest::newRow("cost 0") << 6 << "cost=1;costText=0.000" << false << info << "0 is an invalid session cost limit.";
    QTest::newRow("cost not a number") << 6 << "cost=1;costText=abc" << false << info
                                       << "0 is an invalid session cost limit.";
    QTest::newRow("cost 0.5") << 6 << "cost=1;costText=0.500" << true << -1 << "";
    QTest::newRow("online checked before cost") << 6 << "online=1;cost=1;costText=0" << false << info
                                                << "00:00 is an invalid online time limit.";
    QTest::newRow("page 1 has no check") << 1 << "" << true << -1 << "";
}

void TestSetupWizard::pageChecks()
{
    QFETCH(int, page);
    QFETCH(QString, change);
    QFETCH(bool, proceed);
    QFETCH(int, kind);
    QFETCH(QString, message);
    WizardAnswers a;
    a.adminBillIndex = 4;
    a.userBillIndex = 4;
    for (const QString &pair : change.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        const QString value = pair.section(QLatin1Char('='), 1);
        if (key == QLatin1String("adminPassword")) a.adminPassword = value;
        else if (key == QLatin1String("adminConfirm")) a.adminConfirm = value;
        else if (key == QLatin1String("adminType")) a.adminAccountType = value.toInt();
        else if (key == QLatin1String("adminDay")) a.adminDay = value;
        else if (key == QLatin1String("adminMonth")) a.adminMonth = value;
        else if (key == QLatin1String("userLogin")) a.userLogin = value;
        else if (key == QLatin1String("userConfirm")) a.userConfirm = value;
        else if (key == QLatin1String("userType")) a.userAccountType = value.toInt();
        else if (key == QLatin1String("userDay")) a.userDay = value;
        else if (key == QLatin1String("userMonth")) a.userMonth = value;
        else if (key == QLatin1String("preset")) a.preset = value;
        else if (key == QLatin1String("online")) a.onlineReminder = true;
        else if (key == QLatin1String("minutes")) a.onlineMinutes = value;
        else if (key == QLatin1String("cost")) a.costReminder = true;
        else if (key == QLatin1String("costText")) a.cost = value;
        else QFAIL(qPrintable(key));
    }
    const PageCheck check = CheckWizardPage(page, a);
    QCOMPARE(check.proceed, proceed);
    QCOMPARE(check.kind ? int(*check.kind) : -1, kind);
    QCOMPARE(check.message, message);
}

void TestSetupWizard::navigation()
{
    QCOMPARE(NextWizardPage(UserPage2, true), int(PresetPage));
    QCOMPARE(NextWizardPage(UserPage2, false), int(UserPage3));
    QCOMPARE(PreviousWizardPage(PresetPage, true), int(UserPage2));
    QCOMPARE(PreviousWizardPage(PresetPage, false), int(UserPage3));
    QCOMPARE(PreviousWizardPage(WelcomePage, true), int(WelcomePage));
    QCOMPARE(NextWizardPage(FinishedPage, false), int(FinishedPage));
    // Single-user mode never reaches page 3 either way.
    for (int page = 0; page < WizardPageCount; ++page) {
        QVERIFY(NextWizardPage(page, true) != UserPage3);
        QVERIFY(PreviousWizardPage(page, true) != UserPage3);
    }
}

void TestSetupWizard::cancelRules_data()
{
    QTest::addColumn<int>("users");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("asked");  // empty: nothing asked
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("endProgram");
    QTest::addColumn<bool>("escape");  // the Escape key instead of the button
    const QString firstRun = FirstRunCancelText();
    const QString quit = QuitWizardText();
    QTest::newRow("first run, OK goes back") << 0 << 0 << true << firstRun << false << false << false;
    QTest::newRow("first run, Cancel ends") << 0 << 0 << false << firstRun << true << true << false;
    QTest::newRow("first run page 7, Cancel ends") << 0 << 7 << false << firstRun << true << true << false;
    QTest::newRow("users, page 0 closes") << 1 << 0 << false << "" << true << false << false;
    QTest::newRow("users, page 3, No stays") << 1 << 3 << false << quit << false << false << false;
    QTest::newRow("users, page 7, Yes closes") << 1 << 7 << true << quit << true << false << false;
    QTest::newRow("first run, Escape on page 3") << 0 << 3 << false << firstRun << true << true << true;
    QTest::newRow("first run, Escape on the last page") << 0 << 8 << false << firstRun << true << true << true;
    QTest::newRow("users, Escape on the last page, No") << 1 << 8 << false << quit << false << false << true;
}

void TestSetupWizard::cancelRules()
{
    QFETCH(int, users);
    QFETCH(int, page);
    QFETCH(bool, answer);
    QFETCH(QString, asked);
    QFETCH(bool, closed);
    QFETCH(bool, endProgram);
    QFETCH(bool, escape);

    WizardFixture f;
    f.ctx.settings.NumberOfUsers = users;
    f.store().WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), users);
    TWizardForm form(f.ctx);
    form.show();
    form.multipleUsersRadio()->setChecked(true);
    type(form.userLoginEdit(), QStringLiteral("Jane"));
    while (form.currentPage() < page)
        next(form);
    QCOMPARE(form.currentPage(), page);
    f.ui.messages.clear();
    f.ui.answers.enqueue(answer);
    if (escape)
        QTest::keyClick(&form, Qt::Key_Escape);
    else
        QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    QCOMPARE(f.ui.texts(), asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(!form.isVisible(), closed);
    QCOMPARE(form.endProgram(), endProgram);
    QCOMPARE(f.num(QStringLiteral("NumberOfUsers"), QStringLiteral("Users")), users);
    QVERIFY(!f.store().keyExists(QStringLiteral("Software\\Kelmora\\Tallyline\\Users\\User1")));
}

void TestSetupWizard::singleUserClickThrough()
{
    WizardFixture f;
    f.ctx.settings.DisconnectOnExit = false;
    f.ctx.settings.CheckClockTamper = false;
    f.ctx.settings.AllowToBeExited = true;
    TWizardForm form(f.ctx);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    screenshot(form);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallyline Setup Wizard"));
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("Tallyline Setup Wizard"));
    QVERIFY(!form.backButton()->isEnabled());
    QCOMPARE(form.cancelButton()->text(), QStringLiteral("&Cancel"));
    next(form);
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("User information - 1"));
    QVERIFY(form.singleUserRadio()->isChecked());
    QVERIFY(form.adminOnlyCheck()->isChecked());
    next(form);
    QCOMPARE(form.currentPage(), int(UserPage2));

    // Page 2: the passwords, then a quarterly bill date.
    QCOMPARE(form.adminBillDate().accountCombo->currentText(), QStringLiteral("Monthly"));
    QCOMPARE(form.adminBillDate().billCombo->currentText(), QStringLiteral("10th"));
    QVERIFY(!form.adminBillDate().dayEdit->isVisibleTo(&form));
    type(form.adminPasswordEdit(), QStringLiteral("Secret"));
    type(form.adminConfirmEdit(), QStringLiteral("secret"));
    next(form);
    QCOMPARE(form.currentPage(), int(UserPage2));
    QCOMPARE(f.ui.messages.last().text, QStringLiteral("Passwords do not match, please re-enter."));
    QCOMPARE(f.ui.messages.last().kind, MessageKind::Information);
    type(form.adminConfirmEdit(), QStringLiteral("Secret"));
    form.adminBillDate().accountCombo->setCurrentIndex(2);
    QVERIFY(form.adminBillDate().dayEdit->isVisibleTo(&form));
    QVERIFY(!form.adminBillDate().billCombo->isVisibleTo(&form));
    QVERIFY(!form.adminBillDate().ofEachLabel->isVisibleTo(&form));
    QCOMPARE(form.adminBillDate().dayEdit->text(), QStringLiteral("10"));
    QCOMPARE(form.adminBillDate().monthEdit->text(), QStringLiteral("01"));
    type(form.adminBillDate().dayEdit, QStringLiteral("31"));
    type(form.adminBillDate().monthEdit, QStringLiteral("2"));
    next(form);
    QCOMPARE(form.currentPage(), int(UserPage2));
    QCOMPARE(f.ui.messages.last().text, QStringLiteral("Bill date entered is invalid."));
    QCOMPARE(f.ui.messages.last().kind, MessageKind::Warning);
    type(form.adminBillDate().dayEdit, QStringLiteral("15"));
    type(form.adminBillDate().monthEdit, QStringLiteral("03"));
    next(form);
    QCOMPARE(form.currentPage(), int(PresetPage));  // page 3 is skipped
    QTest::mouseClick(form.backButton(), Qt::LeftButton);
    QCOMPARE(form.currentPage(), int(UserPage2));
    next(form);

    // Page 4: going on without a preset says so; then one is chosen.
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("Phone charges"));
    QCOMPARE(form.presetList()->topLevelItemCount(), 3);
    QCOMPARE(form.presetList()->topLevelItem(0)->text(0), EveningPreset);
    QVERIFY(form.presetList()->selectedItems().isEmpty());
    const int before = int(f.ui.messages.size());
    next(form);
    QCOMPARE(form.currentPage(), int(IspPage));
    QCOMPARE(f.ui.messages.size(), before + 1);
    QVERIFY(f.ui.messages.last().text.startsWith(QStringLiteral("You have not chosen any timezone presets")));
    QTest::mouseClick(form.backButton(), Qt::LeftButton);
    selectPreset(form.presetList(), PeakPreset);
    next(form);
    QCOMPARE(f.ui.messages.size(), before + 1);

    // Page 5: the picker's refusals, then two ISPs; a removed row is gone.
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("ISP's (Dial-Up)"));
    addIsp(form, QStringLiteral("Home ISP"), QString());
    QCOMPARE(f.ui.messages.last().text,
             QStringLiteral("Please select a time-zone preset to use with this connection, or press cancel."));
    QCOMPARE(form.ispList()->topLevelItemCount(), 0);
    addIsp(form, QStringLiteral("Home ISP"), FlatPreset);
    addIsp(form, QStringLiteral("Home ISP"), EveningPreset);
    QCOMPARE(f.ui.messages.last().text,
             QStringLiteral("That Dial-up connection is already added to the list. Please choose a different connection."));
    addIsp(form, QStringLiteral("Work ISP"), FlatPreset);
    QCOMPARE(form.ispList()->topLevelItemCount(), 2);
    form.ispList()->setCurrentItem(form.ispList()->topLevelItem(1));
    QTest::mouseClick(form.removeIspButton(), Qt::LeftButton);
    QCOMPARE(form.ispList()->topLevelItemCount(), 1);
    addIsp(form, QStringLiteral("Work ISP"), EveningPreset);
    QCOMPARE(form.ispList()->topLevelItemCount(), 2);
    QCOMPARE(form.ispList()->topLevelItem(1)->text(1), EveningPreset);
    next(form);

    // Page 6: both reminders, each refused once with a zero limit.
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("Online alarms"));
    QVERIFY(!form.hoursEdit()->isEnabled());
    QCOMPARE(form.costEdit()->text(), QStringLiteral("00.00"));
    QCOMPARE(form.currencyLabel()->text(), QStringLiteral("\u00a3"));
    form.onlineReminderCheck()->setChecked(true);
    QVERIFY(form.hoursEdit()->isEnabled() && form.onlineHangUpCheck()->isEnabled());
    QVERIFY(!form.costEdit()->isEnabled());
    next(form);
    QCOMPARE(f.ui.messages.last().text, QStringLiteral("00:00 is an invalid online time limit."));
    typeAndLeave(form.hoursEdit(), QStringLiteral("1"));
    typeAndLeave(form.minutesEdit(), QStringLiteral("759"));  // only two characters are taken
    QCOMPARE(form.hoursEdit()->text(), QStringLiteral("01"));
    QCOMPARE(form.minutesEdit()->text(), QStringLiteral("59"));
    form.costReminderCheck()->setChecked(true);
    typeAndLeave(form.costEdit(), QStringLiteral("0"));
    next(form);
    QCOMPARE(form.currentPage(), int(AlarmPage));
    QCOMPARE(f.ui.messages.last().text, QStringLiteral("0 is an invalid session cost limit."));
    typeAndLeave(form.costEdit(), QStringLiteral("1.5"));
    QCOMPARE(form.costEdit()->text(), QStringLiteral("1.500"));
    form.costHangUpCheck()->setChecked(true);
    next(form);

    // Page 7: rows from the settings, flipped by clicks.
    QCOMPARE(form.titleLabel()->text(), QStringLiteral("Security Options"));
    QCOMPARE(form.securityList()->count(), 6);
    QCOMPARE(form.securityList()->item(1)->text(), QStringLiteral("Allow tallyline to be exited"));
    QCOMPARE(form.securityList()->item(1)->checkState(), Qt::Checked);
    QCOMPARE(form.securityList()->item(0)->checkState(), Qt::Unchecked);
    for (int row : {0, 5}) {
        const QRect r = form.securityList()->visualItemRect(form.securityList()->item(row));
        QTest::mouseClick(form.securityList()->viewport(), Qt::LeftButton, {}, r.center());
    }
    QCOMPARE(form.securityList()->item(0)->checkState(), Qt::Checked);
    next(form);

    QCOMPARE(form.titleLabel()->text(), QStringLiteral("Setup wizard finished!"));
    QVERIFY(!form.nextButton()->isEnabled());
    QVERIFY(form.backButton()->isEnabled());
    QCOMPARE(form.cancelButton()->text(), QStringLiteral("&Finish"));
    // Nothing is stored before "&Finish".
    QCOMPARE(f.num(QStringLiteral("NumberOfUsers"), QStringLiteral("Users")), -1);
    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));

    // The administrator.
    const QString admin = TariffKeys::user(1);
    QCOMPARE(f.num(QStringLiteral("NumberOfUsers"), QStringLiteral("Users")), 1);
    QCOMPARE(f.ctx.settings.NumberOfUsers, 1);
    QCOMPARE(f.str(QStringLiteral("Login Name"), admin), QStringLiteral("Admin"));
    QCOMPARE(f.str(QStringLiteral("Real Name"), admin), QStringLiteral("Admin"));
    QCOMPARE(f.str(QStringLiteral("Account Type"), admin), QStringLiteral("Quarterly"));
    QCOMPARE(f.str(QStringLiteral("Bill Date"), admin), FloatToStoreText(EncodeDate(1998, 3, 15)));
    QCOMPARE(f.str(QStringLiteral("Creation Date"), admin), FloatToStoreText(EncodeDate(2001, 1, 10)));
    QCOMPARE(f.num(QStringLiteral("Restrictions"), admin), 0);
    const QString password = f.str(QStringLiteral("Password"), admin);
    QVERIFY(IsPasswordHash(password));
    QVERIFY(PasswordMatches(password, QStringLiteral("Secret")));
    QVERIFY(!PasswordMatches(password, QStringLiteral("secret")));

    // ISP 1 from the chosen preset, ISPs 2 and 3 from the rows.
    QCOMPARE(f.num(QStringLiteral("NumberOfISPs"), admin), 3);
    QCOMPARE(f.str(QStringLiteral("ISPName"), TariffKeys::isp(1, 1)), QStringLiteral("Default"));
    QCOMPARE(f.str(QStringLiteral("DialupName"), TariffKeys::isp(1, 1)), QStringLiteral("Any"));
    QCOMPARE(f.str(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(1, 1)), PeakPreset);
    QCOMPARE(f.num(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 1, 1)), 2);
    QCOMPARE(f.num(QStringLiteral("NumberOfHolidays"), TariffKeys::holidays(1, 1)), 10);
    const QStringList rows[] = {{QStringLiteral("Home ISP"), FlatPreset}, {QStringLiteral("Work ISP"), EveningPreset}};
    for (int r = 0; r < 2; ++r) {
        const QString isp = TariffKeys::isp(1, r + 2);
        QCOMPARE(f.str(QStringLiteral("DialupName"), isp), rows[r][0]);
        QCOMPARE(f.str(QStringLiteral("ISPName"), isp), rows[r][0]);
        QCOMPARE(f.str(QStringLiteral("CurrentTimezonePresetName"), isp), rows[r][1]);
    }
    QCOMPARE(f.num(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 2, 1)), 1);
    QCOMPARE(f.num(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(1, 3, 1)), 3);
    QCOMPARE(f.ctx.tariff.CurrentTimeZoneISP, 1);

    // The two reminders.
    QCOMPARE(f.num(QStringLiteral("NumberOfAlarms"), admin), 2);
    const QString alarm1 = admin + QStringLiteral("\\Alarms\\Alarm1");
    const QString alarm2 = admin + QStringLiteral("\\Alarms\\Alarm2");
    QCOMPARE(f.num(QStringLiteral("AlarmType"), alarm1), 0);
    QCOMPARE(f.num(QStringLiteral("AlarmType"), alarm2), 1);
    for (const QString &alarm : {alarm1, alarm2}) {
        QCOMPARE(f.num(QStringLiteral("Use TimeZone"), alarm), 0);
        QCOMPARE(f.num(QStringLiteral("Days"), alarm), 255);
        QCOMPARE(f.num(QStringLiteral("Start Time"), alarm), 0);
        QCOMPARE(f.num(QStringLiteral("End Time"), alarm), 0);
        QCOMPARE(f.num(QStringLiteral("AllowanceTime"), alarm), 119);
        QCOMPARE(f.str(QStringLiteral("TotalCost"), alarm), QStringLiteral("1.500"));
        QCOMPARE(f.str(QStringLiteral("AlarmWaveFile"), alarm), f.ctx.startup.programDirectory + QStringLiteral("Uh oh.wav"));
    }
    QCOMPARE(f.num(QStringLiteral("HangUpPhone"), alarm1), 0);
    QCOMPARE(f.num(QStringLiteral("HangUpPhone"), alarm2), 1);

    // The security rows and the settings lock, in memory and stored.
    QVERIFY(f.ctx.settings.DisconnectOnExit);
    QVERIFY(f.ctx.settings.CheckClockTamper);
    QVERIFY(f.ctx.settings.AllowToBeExited);
    QVERIFY(f.ctx.settings.AdminSettingsLockOut);
    bool flag = false;
    QVERIFY(f.store().ReadStoreBool(QStringLiteral("DisconnectOnExit"), QStringLiteral("Settings"), flag) && flag);
    QVERIFY(f.store().ReadStoreBool(QStringLiteral("CheckClockTamper"), QStringLiteral("Settings"), flag) && flag);
    QVERIFY(f.store().ReadStoreBool(QStringLiteral("DisableDialUp"), QStringLiteral("Settings"), flag) && !flag);
    QVERIFY(f.store().ReadStoreBool(QStringLiteral("AdminSettingsLockOut"), QStringLiteral("Settings"), flag) && flag);
}

void TestSetupWizard::multipleUsersClickThrough()
{
    WizardFixture f;
    for (int run = 1; run <= 2; ++run) {
        TWizardForm form(f.ctx);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        next(form);
        clickBox(form.multipleUsersRadio());
        clickBox(form.adminOnlyCheck());  // untick
        next(form);
        type(form.adminPasswordEdit(), QStringLiteral("pw%1").arg(run));
        type(form.adminConfirmEdit(), QStringLiteral("pw%1").arg(run));
        form.adminBillDate().accountCombo->setCurrentIndex(0);
        form.adminBillDate().billCombo->setCurrentIndex(4);  // Friday
        next(form);
        QCOMPARE(form.currentPage(), int(UserPage3));
        QCOMPARE(form.titleLabel()->text(), QStringLiteral("User information - 3"));

        // Page 3's checks, in order.
        type(form.userPasswordEdit(), QStringLiteral("a"));
        next(form);
        QCOMPARE(f.ui.messages.last().text, QStringLiteral("Passwords do not match, please re-enter."));
        type(form.userConfirmEdit(), QStringLiteral("a"));
        next(form);
        QCOMPARE(f.ui.messages.last().text, QStringLiteral("You must enter a login name."));
        type(form.userLoginEdit(), QStringLiteral("User%1").arg(run));
        form.userBillDate().accountCombo->setCurrentIndex(3);
        type(form.userBillDate().dayEdit, QStringLiteral("29"));
        type(form.userBillDate().monthEdit, QStringLiteral("02"));
        next(form);
        QCOMPARE(f.ui.messages.last().text, QStringLiteral("Bill date entered is invalid."));
        QCOMPARE(form.currentPage(), int(UserPage3));
        type(form.userBillDate().dayEdit, QStringLiteral("28"));
        next(form);
        QCOMPARE(form.currentPage(), int(PresetPage));
        QTest::mouseClick(form.backButton(), Qt::LeftButton);
        QCOMPARE(form.currentPage(), int(UserPage3));
        next(form);

        selectPreset(form.presetList(), FlatPreset);
        next(form);
        addIsp(form, QStringLiteral("Work ISP"), PeakPreset);
        next(form);
        form.onlineReminderCheck()->setChecked(true);
        typeAndLeave(form.hoursEdit(), QStringLiteral("2"));
        form.onlineHangUpCheck()->setChecked(true);
        next(form);
        next(form);
        QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));

        // Each run edits the administrator and adds one ordinary user.
        const int last = run + 1;
        QCOMPARE(f.num(QStringLiteral("NumberOfUsers"), QStringLiteral("Users")), last);
        QCOMPARE(f.str(QStringLiteral("Login Name"), TariffKeys::user(1)), QStringLiteral("Admin"));
        QVERIFY(PasswordMatches(f.str(QStringLiteral("Password"), TariffKeys::user(1)), QStringLiteral("pw%1").arg(run)));
        QCOMPARE(f.str(QStringLiteral("Account Type"), TariffKeys::user(1)), QStringLiteral("Weekly"));
        QCOMPARE(f.str(QStringLiteral("Bill Date"), TariffKeys::user(1)), QStringLiteral("5"));
        const QString user = TariffKeys::user(last);
        QCOMPARE(f.str(QStringLiteral("Login Name"), user), QStringLiteral("User%1").arg(run));
        QCOMPARE(f.str(QStringLiteral("Real Name"), user), QStringLiteral("User%1").arg(run));
        QCOMPARE(f.str(QStringLiteral("Account Type"), user), QStringLiteral("Yearly"));
        QCOMPARE(f.str(QStringLiteral("Bill Date"), user), FloatToStoreText(EncodeDate(1998, 2, 28)));
        QCOMPARE(f.num(QStringLiteral("Restrictions"), user), 2);
        QVERIFY(PasswordMatches(f.str(QStringLiteral("Password"), user), QStringLiteral("a")));
        QVERIFY(!f.ctx.settings.AdminSettingsLockOut);

        // Presets, ISPs and reminders for the administrator and the new user.
        for (int u : {1, last}) {
            QCOMPARE(f.str(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(u, 1)), FlatPreset);
            QCOMPARE(f.num(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(u, 1, 7)), 1);
            QCOMPARE(f.num(QStringLiteral("NumberOfISPs"), TariffKeys::user(u)), 2);
            QCOMPARE(f.str(QStringLiteral("DialupName"), TariffKeys::isp(u, 2)), QStringLiteral("Work ISP"));
            QCOMPARE(f.str(QStringLiteral("CurrentTimezonePresetName"), TariffKeys::isp(u, 2)), PeakPreset);
            QCOMPARE(f.num(QStringLiteral("NumberOfTimeZones"), TariffKeys::dayType(u, 2, 1)), 2);
            const QString alarm = TariffKeys::user(u) + QStringLiteral("\\Alarms\\Alarm%1").arg(u == 1 ? run : 1);
            QCOMPARE(f.num(QStringLiteral("AllowanceTime"), alarm), 120);
            QCOMPARE(f.num(QStringLiteral("HangUpPhone"), alarm), 1);
        }
        // The administrator collects one reminder per run.
        QCOMPARE(f.num(QStringLiteral("NumberOfAlarms"), TariffKeys::user(1)), run);
        QCOMPARE(f.num(QStringLiteral("NumberOfAlarms"), user), 1);
    }
    // The earlier ordinary user was left alone by the second run.
    QCOMPARE(f.str(QStringLiteral("Login Name"), TariffKeys::user(2)), QStringLiteral("User1"));
    QCOMPARE(f.num(QStringLiteral("NumberOfAlarms"), TariffKeys::user(2)), 1);
}

void TestSetupWizard::finishRefusesInvalidBillDate()
{
    WizardFixture f;
    WizardAnswers a;
    a.adminAccountType = 2;
    a.adminDay = QStringLiteral("31");
    a.adminMonth = QStringLiteral("02");
    a.singleUser = false;
    a.userLogin = QStringLiteral("Jane");
    a.preset = FlatPreset;
    a.onlineReminder = true;
    a.onlineHours = QStringLiteral("01");
    a.security = {true, true, true, true, true, true};
    QVERIFY(!FinishSetupWizard(f.ctx, a));
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Bill date entered is invalid.")});
    QCOMPARE(f.ui.messages.first().kind, MessageKind::Warning);
    QCOMPARE(f.store().values(QStringLiteral("Software\\Kelmora\\Tallyline\\Users")).size(), 0);
    QVERIFY(!f.store().keyExists(QStringLiteral("Software\\Kelmora\\Tallyline\\Settings")));
    QCOMPARE(f.ctx.settings.NumberOfUsers, 0);
    QVERIFY(!f.ctx.settings.DisableDialUp);
}

void TestSetupWizard::afterFinishing()
{
    WizardFixture f;
    int shownLogins = 0;
    f.ui.onShowWindow = [&](UiWindow window) {
        if (window != UiWindow::Login)
            return;
        ++shownLogins;
        f.ctx.login.LoggedIn = true;  // the user logs in
        f.ctx.login.CurrentUser = 1;
    };
    AfterSetupWizard(f.ctx);
    QCOMPARE(shownLogins, 1);
    QCOMPARE(f.ctx.settings.PreviousUser, 1);

    // Somebody already logged in is not asked again.
    AfterSetupWizard(f.ctx);
    QCOMPARE(shownLogins, 1);
}

void TestSetupWizard::helpButton()
{
    WizardFixture f;
    TWizardForm form(f.ctx);
    form.show();
    QTest::mouseClick(form.helpButton(), Qt::LeftButton);
    QCOMPARE(f.ui.helpTopics, QStringList{QStringLiteral("IDH_setup_wizard")});
    QVERIFY(QFile::exists(QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/help/IDH_setup_wizard.html")));
}

// With the program's real help window: the wizard is modal, and a help
// window that is not its own would be blocked until the wizard ends.
void TestSetupWizard::helpIsUsableWhileTheWizardWaits()
{
    WizardFixture f;
    Windows realUi(f.clock, QStringLiteral("simulated"));
    realUi.setHelpDirectory(QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/help"));
    AppContext ctx(f.store(), f.clock, realUi);
    ctx.settings = f.ctx.settings;
    ctx.startup = f.ctx.startup;
    ctx.platform = f.ctx.platform;
    TWizardForm form(ctx);

    bool helpShown = false;
    bool helpBelongsToTheWizard = false;
    bool closed = false;
    QTimer::singleShot(0, &form, [&] {
        QTest::mouseClick(form.helpButton(), Qt::LeftButton);
        THelpForm *help = realUi.helpWindow();
        helpShown = help && help->isVisible();
        helpBelongsToTheWizard = help && help->parentWidget() == &form && help->isWindow();
        if (help) {
            help->closeButton()->click();
            closed = !help->isVisible();
        }
        form.done(QDialog::Rejected);
    });
    form.exec();
    QVERIFY(helpShown);
    QVERIFY(helpBelongsToTheWizard);
    QVERIFY(closed);
}

TALLYLINE_TEST_MAIN(TestSetupWizard)
#include "TestSetupWizard.moc"
