#include "reports/BillForm.h"
#include "reports/SessionPrintForm.h"
#include "support/ReportsProgram.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"
#include "tariff/AccountPeriods.h"
#include "users/UserRecord.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using testsupport::ReportsProgram;

// The bill as the account window and the end-of-period check open it.
class TestBillForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsThePeriodAndChangesTheBillDay();
    void endOfPeriodShowsTheNotice();
    void quarterlyDateIsCheckedBeforeItIsStored();
    void restrictedUsersCannotChangeTheBillDate();
};

void TestBillForm::showsThePeriodAndChangesTheBillDay()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QVERIFY(window->action(QStringLiteral("BillItem"))->isEnabled());
    QStringList seen;
    bool counted = false;
    int printPeriod = -2;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("BillItem"))->trigger(); }, [&] {
        TBillForm *bill = p.windows.billForm();
        if (!bill || !bill->isVisible())
            return;
        counted = p.windows.editorWindowOpen();
        testsupport::screenshot(bill, QStringLiteral("bill"));
        seen << bill->windowTitle() << bill->accountCombo()->currentText() << bill->connectionsText()->text()
             << bill->onlineText()->text() << bill->costText()->text() << bill->headingLabel()->text()
             << bill->billDateCombo()->currentText() << bill->unitLabel()->text()
             << QString::number(bill->endOfPeriodLabel()->isVisible());
        // "All Months", then a past period: the account cost stays.
        bill->accountCombo()->setCurrentIndex(0);
        seen << bill->connectionsText()->text() << bill->costText()->text();
        bill->accountCombo()->setCurrentIndex(12);
        seen << bill->connectionsText()->text() << window->statusPanel(3)->text();
        // "&Print" opens the printout on the bill's period.
        QTimer::singleShot(0, [&] {
            if (TSessionPrintForm *print = p.windows.sessionPrintForm()) {
                printPeriod = print->accountCombo()->currentIndex();
                print->cancelButton()->click();
            }
        });
        bill->printButton()->click();
        // The 9th: today lies in 9 January - 9 February.
        bill->billDateCombo()->setCurrentIndex(8);
        Q_EMIT bill->billDateCombo()->activated(8);
        seen << bill->accountCombo()->currentText() << bill->connectionsText()->text();
        bill->okButton()->click();
    });
    QCOMPARE(seen.size(), 15);
    QVERIFY(counted);
    QCOMPARE(seen[0], QStringLiteral("Account bill"));
    QCOMPARE(seen[1], QStringLiteral("Month 13 : 01 Jan 01 - 01 Feb 01"));
    QCOMPARE(seen.mid(2, 3), (QStringList{"5", "01:03:00", "\u00a36.75"}));
    QCOMPARE(seen[5], QStringLiteral("Statistics for this month are shown below :"));
    QCOMPARE(seen[6], QStringLiteral("1st"));
    QCOMPARE(seen[7], QStringLiteral("of each month"));
    QCOMPARE(seen[8], QStringLiteral("0"));
    QCOMPARE(seen.mid(9, 2), (QStringList{"5", "\u00a36.75"}));
    QCOMPARE(seen.mid(11, 2), (QStringList{"0", "Account Cost : \u00a36.75"}));
    QCOMPARE(printPeriod, 12);
    QCOMPARE(seen[13], QStringLiteral("Month 14 : 09 Jan 01 - 09 Feb 01"));
    QCOMPARE(seen[14], QStringLiteral("2"));
    // Stored, and the account window moved onto the new period.
    QCOMPARE(ReadUserRecord(*p.temp.store, p.admin).billDate, QStringLiteral("9"));
    QCOMPARE(p.ctx.tariff.AccountStartDate, EncodeDate(2001, 1, 9));
    QCOMPARE(window->sessionPeriodCombo()->currentText(), QStringLiteral("Month 14 : 09 Jan 01 - 09 Feb 01"));
    QCOMPARE(window->statusPanel(3)->text(), QStringLiteral("Account Cost : \u00a30.75"));
    QVERIFY(!p.windows.editorWindowOpen());
}

void TestBillForm::endOfPeriodShowsTheNotice()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    p.ctx.settings.DisplayBillWindow = true;
    p.ctx.tariff.AccountEndDate = p.clock.today();
    bool notice = false;
    bool ticking = false;
    p.ctx.shell.Timer1Enabled = false;   // as the main tick runs it
    ReportsProgram::whileOpen([&] { CheckEndOfAccountPeriod(p.ctx); }, [&] {
        if (TBillForm *bill = p.windows.billForm()) {
            notice = bill->endOfPeriodLabel()->isVisible();
            ticking = p.ctx.shell.Timer1Enabled;
            QCOMPARE(bill->endOfPeriodLabel()->text(), QStringLiteral("You have reached the end of your account period."));
            testsupport::screenshot(bill, QStringLiteral("bill-end-of-period"));
            bill->okButton()->click();
        }
    });
    QVERIFY(notice);
    // The ticks went on under it, and stop again with the tick that raised it.
    QVERIFY(ticking);
    QVERIFY(!p.ctx.shell.Timer1Enabled);
    // Opened from the menu, the same bill has no notice.
    TMainForm *window = p.openFromTray();
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("BillButton"))->trigger(); }, [&] {
        notice = p.windows.billForm()->endOfPeriodLabel()->isVisible();
        p.windows.billForm()->okButton()->click();
    });
    QVERIFY(!notice);
}

void TestBillForm::quarterlyDateIsCheckedBeforeItIsStored()
{
    ReportsProgram p;
    UserRecord quarterly;
    quarterly.accountType = QStringLiteral("QUARTERLY");
    quarterly.billDate = QString::number(qint64(EncodeDate(1998, 3, 15)));
    WriteUserRecord(*p.temp.store, p.admin, quarterly, UserAccountType | UserBillDate);
    p.logIn(QStringLiteral("Admin"));
    QStringList seen;
    ReportsProgram::whileOpen([&] { p.ctx.ui.showWindow(UiWindow::AccountBill); }, [&] {
        TBillForm *bill = p.windows.billForm();
        seen << QString::number(bill->billDateCombo()->isVisible()) << bill->dayEdit()->text()
             << bill->monthEdit()->text();
        // Typing past two characters is cut back.
        bill->dayEdit()->clear();
        QTest::keyClicks(bill->dayEdit(), QStringLiteral("123"));
        seen << bill->dayEdit()->text();
        // 31 February is refused with a box, and nothing is stored.
        bill->dayEdit()->setText(QStringLiteral("31"));
        bill->monthEdit()->setText(QStringLiteral("02"));
        testsupport::answerNextBox(QStringLiteral("OK"));
        Q_EMIT bill->monthEdit()->editingFinished();
        seen << ReadUserRecord(*p.temp.store, p.admin).billDate;
        bill->dayEdit()->setText(QStringLiteral("15"));
        bill->monthEdit()->setText(QStringLiteral("06"));
        Q_EMIT bill->monthEdit()->editingFinished();
        seen << bill->headingLabel()->text();
        bill->okButton()->click();
    });
    QCOMPARE(seen, (QStringList{"0", "15", "03", "12", QString::number(qint64(EncodeDate(1998, 3, 15))),
                                "Statistics for this quarter are shown below :"}));
    QCOMPARE(ReadUserRecord(*p.temp.store, p.admin).billDate, QString::number(qint64(EncodeDate(1998, 6, 15))));
    QCOMPARE(p.ctx.tariff.AccountStartDate, EncodeDate(2000, 12, 15));
}

void TestBillForm::restrictedUsersCannotChangeTheBillDate()
{
    ReportsProgram p;
    UserRecord restricted;
    restricted.restrictions = 1;
    WriteUserRecord(*p.temp.store, p.ann, restricted, UserRestrictions);
    p.logIn(QStringLiteral("Ann"));
    bool enabled = true;
    ReportsProgram::whileOpen([&] { p.ctx.ui.showWindow(UiWindow::AccountBill); }, [&] {
        enabled = p.windows.billForm()->billDateCombo()->isEnabled();
        p.windows.billForm()->okButton()->click();
    });
    QVERIFY(!enabled);
    // Nobody logged in: no bill.
    LogOutUser(p.ctx);
    p.ctx.ui.showWindow(UiWindow::AccountBill);
    QVERIFY(!p.windows.billForm()->isVisible());
}

TALLYLINE_TEST_MAIN(TestBillForm)
#include "TestBillForm.moc"
