#include "alarms/QuickAlarms.h"
#include "alarms/QuickAlarmsForm.h"
#include "support/EngineFixture.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

using testsupport::EngineFixture;

class TestQuickAlarmsForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldRule_data();
    void fieldRule();
    void openerChoosesTheAlarm_data();
    void openerChoosesTheAlarm();
    void okArmsWhatIsTicked();
    void armedAlarmsShowAsStored();
    void cancelChangesNothing();
};

void TestQuickAlarmsForm::fieldRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one digit") << QStringLiteral("7") << QStringLiteral("07");
    QTest::newRow("above 59") << QStringLiteral("75") << QStringLiteral("59");
    QTest::newRow("hours clamp too") << QStringLiteral("99") << QStringLiteral("59");
    QTest::newRow("empty") << QString() << QStringLiteral("00");
    QTest::newRow("letters") << QStringLiteral("ab") << QStringLiteral("00");
    QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("00");
}

void TestQuickAlarmsForm::fieldRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QCOMPARE(NormaliseQuickAlarmField(typed), shown);

    EngineFixture f;
    TQuickAlarmsForm form(f.ctx);
    form.show();
    QLineEdit *edit = form.onlineMinutesEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed + QStringLiteral("123"));
    QVERIFY(edit->text().size() <= 2);
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), shown);
}

void TestQuickAlarmsForm::openerChoosesTheAlarm_data()
{
    QTest::addColumn<bool>("specific");
    QTest::newRow("online time") << false;
    QTest::newRow("specific time") << true;
}

void TestQuickAlarmsForm::openerChoosesTheAlarm()
{
    QFETCH(bool, specific);
    EngineFixture f;
    TQuickAlarmsForm form(f.ctx);
    QCOMPARE(form.windowTitle(), QStringLiteral("One shot quick alarms "));
    form.prepare(specific ? TQuickAlarmsForm::Opener::SpecificTimeAlarm : TQuickAlarmsForm::Opener::OnlineTimeAlarm);
    form.show();
    QCOMPARE(form.onlineTimeCheck()->isChecked(), !specific);
    QCOMPARE(form.specificTimeCheck()->isChecked(), specific);
    QCOMPARE(form.currentGroup(), static_cast<QWidget *>(specific ? form.specificTimeGroup() : form.onlineTimeGroup()));
    QCOMPARE(form.onlineHoursEdit()->text(), QStringLiteral("00"));
    QCOMPARE(form.specificMinutesEdit()->text(), QStringLiteral("00"));
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    testsupport::screenshot(&form, specific ? QStringLiteral("quick-alarms-specific") : QStringLiteral("quick-alarms-online"));
}

void TestQuickAlarmsForm::okArmsWhatIsTicked()
{
    EngineFixture f;
    f.ctx.alarms.ClockTimeAlarmArmed = true;   // cleared by the opener, so OK disarms it
    f.ctx.alarms.ClockTimeAlarmMinutes = 600;
    TQuickAlarmsForm form(f.ctx);
    form.prepare(TQuickAlarmsForm::Opener::OnlineTimeAlarm);
    form.show();
    form.specificTimeCheck()->setChecked(false);
    form.onlineHoursEdit()->setText(QStringLiteral("1"));
    form.onlineMinutesEdit()->setText(QStringLiteral("75"));
    form.onlineHangUpCheck()->setChecked(true);
    form.findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    const AlarmState &a = f.ctx.alarms;
    QVERIFY(a.OnlineTimeAlarmArmed);
    QCOMPARE(a.OnlineTimeAlarmMinutes, 60 + 59);
    QVERIFY(a.OnlineTimeAlarmHangUp);
    QVERIFY(!a.ClockTimeAlarmArmed);
}

void TestQuickAlarmsForm::armedAlarmsShowAsStored()
{
    EngineFixture f;
    AlarmState &a = f.ctx.alarms;
    a.ClockTimeAlarmArmed = true;
    a.ClockTimeAlarmMinutes = 21 * 60 + 5;
    a.ClockTimeAlarmHangUp = true;
    TQuickAlarmsForm form(f.ctx);
    // Opened for the other alarm: the armed one stays ticked.
    form.prepare(TQuickAlarmsForm::Opener::OnlineTimeAlarm);
    form.show();
    QVERIFY(form.specificTimeCheck()->isChecked());
    QVERIFY(form.specificHangUpCheck()->isChecked());
    QCOMPARE(form.specificHoursEdit()->text(), QStringLiteral("21"));
    QCOMPARE(form.specificMinutesEdit()->text(), QStringLiteral("05"));
    form.onlineMinutesEdit()->setText(QStringLiteral("30"));
    form.findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
    QVERIFY(a.ClockTimeAlarmArmed);
    QCOMPARE(a.ClockTimeAlarmMinutes, 21 * 60 + 5);
    QVERIFY(a.OnlineTimeAlarmArmed);
    QCOMPARE(a.OnlineTimeAlarmMinutes, 30);
}

void TestQuickAlarmsForm::cancelChangesNothing()
{
    EngineFixture f;
    TQuickAlarmsForm form(f.ctx);
    form.prepare(TQuickAlarmsForm::Opener::SpecificTimeAlarm);
    form.show();
    form.specificMinutesEdit()->setText(QStringLiteral("10"));
    form.findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
    QVERIFY(!f.ctx.alarms.ClockTimeAlarmArmed);
    QVERIFY(!f.ctx.alarms.OnlineTimeAlarmArmed);
}

TALLYLINE_TEST_MAIN(TestQuickAlarmsForm)
#include "TestQuickAlarmsForm.moc"
