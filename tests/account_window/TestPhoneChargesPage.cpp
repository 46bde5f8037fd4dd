#include "account_window/MainForm.h"
#include "account_window/gui/PhoneChargesPage.h"
#include "account_window/gui/TariffPieView.h"
#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "support/Screenshot.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "tariff/AddISPForm.h"
#include "tariff/BandRecord.h"
#include "tariff/HolidayForm.h"
#include "tariff/HolidayRecord.h"
#include "tariff/ISPForm.h"
#include "tariff/SaveTimeZoneForm.h"
#include "tariff/TimeZoneCopyForm.h"
#include "tariff/TimeZoneForm.h"
#include "tariff/TimeZonePresets.h"
#include "tariff/TimeZonePresetsForm.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>

#include <functional>

using testsupport::SeedBand;
using testsupport::TariffSeed;

namespace {

constexpr int Monday = 1;
constexpr int Wednesday = 3;  // the fixture's today, 10 January 2001
constexpr int Saturday = 6;

using Samples = QList<QPair<QPoint, quint32>>;  // pie image point, colour as 0xRRGGBB
using Spans = QList<QPair<int, int>>;          // bands as start and end minutes
using Clicks = QList<QPair<QPoint, int>>;       // pie image point, band selected (0: a beep)

// The program as it runs: the real owner of the windows and its boxes, over
// a store with an administrator and Ann, each with the default ISP.
struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.settings.DisplayBillWindow = false;
        ctx.settings.ShowTipForm = false;
        admin = testsupport::AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Admin"), QStringLiteral("pw")});
        ann = testsupport::AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Ann"), QStringLiteral("pw")});
        for (int user : {admin, ann})
            TariffSeed(*temp.store, user).isp(1, QStringLiteral("Default"), QStringLiteral("Any"));
        windows.startResidentShell(ctx);
    }

    // Logged in, the account window opened from the tray on its Phone Charges page.
    PhoneChargesPage *open(const QString &name = QStringLiteral("Admin"))
    {
        if (LogInWithPassword(ctx, name, QStringLiteral("pw")) != LoginResult::LoggedIn)
            return nullptr;
        windows.mainAppForm()->accountInformationItem()->trigger();
        window = windows.accountWindow();
        window->pages()->setCurrentIndex(TMainForm::PhoneChargesPage);
        return window->phoneChargesPage();
    }

    Store &store() { return *temp.store; }

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
    TMainForm *window = nullptr;
    int admin = 0;
    int ann = 0;
};

// Plays the user's part in modal windows: each step waits (polling, never
// for a set time) until its window is the active modal one, then acts.
// Buttons that open further modal windows are clicked from the event loop.
class ModalScript : public QObject
{
public:
    ModalScript()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_steps.isEmpty())
                return;
            if (m_steps.first()()) {
                m_steps.removeFirst();
                m_waiting.restart();
            } else if (m_waiting.hasExpired(GiveUpMs)) {
                // A step that can never happen: close what is open, so that
                // the test fails on done() instead of hanging.
                m_timer.stop();
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
            }
        });
        m_waiting.start();
        m_timer.start(5);
    }

    template <class Form, class Act>
    ModalScript &on(Act act)
    {
        return when<Form>([](Form *) { return true; }, act);
    }

    // As on(), once ready(form) holds as well. A window that shows again when
    // a message box over it closes is active before the code that asked the
    // question has gone on (the box's own event loop is still unwinding):
    // a step that looks at what that code does waits for it.
    template <class Form, class Ready, class Act>
    ModalScript &when(Ready ready, Act act)
    {
        m_steps.append([ready, act] {
            auto *form = qobject_cast<Form *>(QApplication::activeModalWidget());
            if (!form || !form->isVisible() || !ready(form))
                return false;
            act(form);
            return true;
        });
        return *this;
    }

    // Answers the newest message box and keeps its text.
    ModalScript &box(const QString &button)
    {
        m_steps.append([this, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return false;
            boxTexts.append(box->text());
            AnswerBoxRequest(QStringLiteral("answer"), button);
            return true;
        });
        return *this;
    }

    bool done() const { return m_steps.isEmpty(); }
    QStringList boxTexts;

private:
    static constexpr qint64 GiveUpMs = 60000;
    QTimer m_timer;
    QElapsedTimer m_waiting;
    QList<std::function<bool()>> m_steps;
};

void clickLater(QAbstractButton *button)
{
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

quint32 pixel(const PhoneChargesPage *page, QPoint at)
{
    return page->pie()->pieImage().pixel(at) & 0xFFFFFF;
}

void clickPie(PhoneChargesPage *page, QPoint at)
{
    QTest::mouseClick(page->pie(), Qt::LeftButton, {}, page->pie()->pieRect().topLeft() + at);
}

void choose(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

void setTimes(TTimeZoneForm *form, const QStringList &times)
{
    const QList<QLineEdit *> edits{form->startHoursEdit(), form->startMinutesEdit(), form->endHoursEdit(),
                                   form->endMinutesEdit()};
    for (int i = 0; i < 4; ++i)
        edits[i]->setText(times[i]);
}

// The four-band tariff of the pictures: a wedge at each quarter of the day.
void seedFourBands(Store &store, int user, int isp, int day)
{
    TariffSeed(store, user).bands(isp, day, {{1260, 180, 0.01, 0, 0}, {180, 540, 0.02, 0, 0},
                                             {540, 900, 0.05, 0.25, 1}, {900, 1260, 0.03, 0, 0}});
}

} // namespace

class TestPhoneChargesPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pieShowsTheTariffAndTheBandInForce();
    void pieShapesAndClicks_data();
    void pieShapesAndClicks();
    void chargesAreEditedInPlace();
    void choosingTheIspAndTheDay();
    void addingBandsThroughTheDialog_data();
    void addingBandsThroughTheDialog();
    void copyingOverwritesTheTickedDays();
    void savedPresetLoadsIntoAnotherIsp();
    void ispListRemovesAndAdds();
    void holidayEditorStepsAndKeepsItsList();
    void restrictionAndOpenSession_data();
    void restrictionAndOpenSession();
};

void TestPhoneChargesPage::pieShowsTheTariffAndTheBandInForce()
{
    Program p;
    seedFourBands(p.store(), p.admin, 1, Wednesday);
    IspRecord named;
    named.presetName = QStringLiteral("Quarters");
    WriteIspRecord(p.store(), p.admin, 1, named, IspPresetNameValue);
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    QVERIFY(page->isVisible());
    QCOMPARE(page->dayCombo()->currentText(), QStringLiteral("Wednesday"));
    QCOMPARE(page->ispCombo()->currentText(), QStringLiteral("Default"));
    QCOMPARE(page->timezonesGroup()->title(), QStringLiteral("Timezones - Quarters"));
    // At noon the 09:00-15:00 band is in force and shown.
    QCOMPARE(page->selectedBand(), 3);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0500"));
    QCOMPARE(page->connectionEdit()->text(), QStringLiteral("0.2500"));
    QVERIFY(page->standingChargeRadio()->isChecked());

    // Midnight at the top, clockwise; the band in force inset and darker.
    const Samples samples{{{69, 4}, 0xFF8080},  {{133, 69}, 0x80FFFF}, {{69, 133}, 0x80FF80},
                          {{4, 69}, 0xFFFF80},  {{69, 105}, 0x40BF40}, {{0, 0}, 0}};
    for (const auto &[at, colour] : samples)
        QCOMPARE(pixel(page, at), colour);
    testsupport::screenshot(p.window, QStringLiteral("phone-charges-page"));

    // A click on the left wedge selects 15:00-21:00; the old highlight goes.
    clickPie(page, {12, 69});
    QCOMPARE(page->selectedBand(), 4);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0300"));
    QVERIFY(page->minimumChargeRadio()->isChecked());
    QCOMPARE(pixel(page, {69, 105}), quint32(0x80FF80));
    QCOMPARE(pixel(page, {30, 69}), quint32(0xBFBF40));
}

void TestPhoneChargesPage::pieShapesAndClicks_data()
{
    QTest::addColumn<QList<SeedBand>>("bands");
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<Clicks>("clicks");
    QTest::addColumn<int>("beeps");
    QTest::newRow("00:00-00:00 is the whole disc")
        << QList<SeedBand>{{0, 0}}
        << Samples{{{69, 4}, 0xFF8080}, {{133, 69}, 0xFF8080}, {{69, 133}, 0xFF8080}, {{4, 69}, 0xFF8080},
                   {{69, 69}, 0xBF4040}}
        << Clicks{{{20, 20}, 1}, {{120, 118}, 1}, {{69, 69}, 1}} << 0;
    QTest::newRow("18:00-08:00 through the top")
        << QList<SeedBand>{{1080, 480}}
        << Samples{{{69, 4}, 0xFF8080}, {{133, 69}, 0xFF8080}, {{69, 40}, 0xBF4040}, {{69, 133}, 0xFFFFFF},
                   {{120, 110}, 0xFFFFFF}}
        << Clicks{{{69, 5}, 1}, {{69, 130}, 0}} << 1;
    QTest::newRow("08:00-18:00 then 18:00-08:00")
        << QList<SeedBand>{{480, 1080}, {1080, 480}} << Samples{}
        << Clicks{{{69, 5}, 2}, {{5, 69}, 1}, {{5, 60}, 2}, {{69, 130}, 1}} << 0;
    QList<SeedBand> eleven;
    for (int k = 1; k <= 11; ++k)
        eleven.append({(k - 1) * 120, k * 120 - 1});
    QTest::newRow("an eleventh band takes the first colour again")
        << eleven << Samples{{{29, 29}, 0xFF8080}, {{104, 34}, 0x80FFFF}, {{82, 117}, 0xFF8080}}
        << Clicks{{{29, 29}, 11}, {{56, 20}, 0}, {{104, 34}, 2}} << 1;
}

void TestPhoneChargesPage::pieShapesAndClicks()
{
    QFETCH(QList<SeedBand>, bands);
    QFETCH(Samples, samples);
    QFETCH(Clicks, clicks);
    QFETCH(int, beeps);
    testsupport::EngineFixture f;
    TariffSeed(f.store()).isp(1, QStringLiteral("Default"), QStringLiteral("Any")).bands(1, Wednesday, bands);
    PhoneChargesPage page(f.ctx);
    page.refresh();
    page.SelectTimeZone(1);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    for (const auto &[at, colour] : samples)
        QCOMPARE(pixel(&page, at), colour);
    for (const auto &[at, band] : clicks) {
        const int before = page.selectedBand();
        clickPie(&page, at);
        QCOMPARE(page.selectedBand(), band > 0 ? band : before);
    }
    QCOMPARE(f.ui.beeps, beeps);
}

void TestPhoneChargesPage::chargesAreEditedInPlace()
{
    testsupport::EngineFixture f;
    TariffSeed(f.store())
        .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
        .bands(1, Wednesday, {{0, 719, 0.1, 0, 0}, {720, 1439, 0.2, 0, 1}});
    PhoneChargesPage page(f.ctx);
    page.refresh();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.selectedBand(), 2);
    QLineEdit *cost = page.costEdit();
    cost->setFocus();
    cost->selectAll();
    QTest::keyClicks(cost, QStringLiteral("123456789"));
    QCOMPARE(cost->text(), QStringLiteral("1234567"));
    cost->selectAll();
    QTest::keyClicks(cost, QStringLiteral("abc"));
    QTest::keyClick(cost, Qt::Key_Return);
    QCOMPARE(cost->text(), QStringLiteral("0.0000"));
    QCOMPARE(ReadBandRecord(f.store(), 1, 1, Wednesday, 2).cost, QStringLiteral("0.0000"));

    page.connectionEdit()->setFocus();
    page.connectionEdit()->selectAll();
    QTest::keyClicks(page.connectionEdit(), QStringLiteral("1.5"));
    QTest::keyClick(page.connectionEdit(), Qt::Key_Return);
    page.minimumChargeRadio()->click();
    BandRecord second = ReadBandRecord(f.store(), 1, 1, Wednesday, 2);
    QCOMPARE(second.connectionFee, QStringLiteral("1.5000"));
    QCOMPARE(second.connectionFeeType, 0);

    // What is typed goes to its band before the click picks another.
    cost->setFocus();
    cost->selectAll();
    QTest::keyClicks(cost, QStringLiteral("0.07"));
    clickPie(&page, {69, 5});
    QCOMPARE(page.selectedBand(), 1);
    QCOMPARE(ReadBandRecord(f.store(), 1, 1, Wednesday, 2).cost, QStringLiteral("0.0700"));
    QCOMPARE(ReadBandRecord(f.store(), 1, 1, Wednesday, 1).cost, QStringLiteral("0.1"));
}

void TestPhoneChargesPage::choosingTheIspAndTheDay()
{
    Program p;
    TariffSeed(p.store(), p.admin)
        .isp(2, QStringLiteral("Work"), QStringLiteral("Simulated ISP"))
        .bands(1, Wednesday, {{0, 0, 0.01, 0, 0}})
        .bands(2, Wednesday, {{0, 719, 0.02, 0, 0}, {720, 1439, 0.04, 0, 0}})
        .bands(2, Saturday, {{0, 0, 0.09, 0, 0}});
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    QCOMPARE(page->ispCombo()->count(), 2);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0100"));

    choose(page->ispCombo(), 1);
    QCOMPARE(p.ctx.tariff.CurrentTimeZoneISP, 2);
    QCOMPARE(ReadUserRecord(p.store(), p.admin).currentTimeZoneISP, 2);
    QCOMPARE(page->selectedBand(), 1);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0200"));

    choose(page->dayCombo(), Saturday - 1);
    QCOMPARE(page->viewedDay(), Saturday);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0900"));
    // A session opening shows its own day type and band again.
    p.ctx.shell.SessionOpen = true;
    Q_EMIT p.ctx.events.sessionOpened();
    QCOMPARE(page->dayCombo()->currentIndex(), Wednesday - 1);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0400"));
    QVERIFY(!page->ispCombo()->isEnabled());
    p.ctx.shell.SessionOpen = false;
    Q_EMIT p.ctx.events.sessionClosed();
    choose(page->dayCombo(), Saturday - 1);
    // Back on today: the band in force now, not band 1.
    choose(page->dayCombo(), Wednesday - 1);
    QCOMPARE(page->selectedBand(), 2);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0400"));
    // A day without bands leaves nothing to edit.
    choose(page->dayCombo(), Monday - 1);
    QCOMPARE(page->selectedBand(), 0);
    QVERIFY(!page->costEdit()->isEnabled());
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0"));
}

void TestPhoneChargesPage::addingBandsThroughTheDialog_data()
{
    QTest::addColumn<QList<QStringList>>("entered");  // hours and minutes of start and end, per dialog
    QTest::addColumn<QString>("refusal");            // of the last one
    QTest::addColumn<Spans>("stored");
    const Spans workDay{{540, 1020}};
    QTest::newRow("09:00-17:00 then 17:00-23:00")
        << QList<QStringList>{{"09", "00", "17", "00"}, {"17", "00", "23", "00"}} << QString()
        << Spans{{540, 1020}, {1020, 1380}};
    QTest::newRow("16:00-18:00 overlaps")
        << QList<QStringList>{{"09", "00", "17", "00"}, {"16", "00", "18", "00"}}
        << "The timezone specified overlaps with an existing timezone!" << workDay;
    QTest::newRow("end 00:00 is 23:59") << QList<QStringList>{{"18", "00", "00", "00"}} << QString()
                                        << Spans{{1080, 1439}};
    QTest::newRow("22:00-06:00 ends before it starts")
        << QList<QStringList>{{"22", "00", "06", "00"}} << "The end time is set to be before the start time!"
        << Spans{};
    QTest::newRow("typed beyond the limits") << QList<QStringList>{{"7", "75", "24", "x"}} << QString()
                                             << Spans{{479, 1380}};
}

void TestPhoneChargesPage::addingBandsThroughTheDialog()
{
    QFETCH(QList<QStringList>, entered);
    QFETCH(QString, refusal);
    QFETCH(Spans, stored);
    Program p;
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    bool counted = false;
    for (int i = 0; i < entered.size(); ++i) {
        const bool last = i == entered.size() - 1;
        ModalScript script;
        script.on<TTimeZoneForm>([&, i, times = entered[i]](TTimeZoneForm *form) {
            counted = p.windows.editorWindowOpen();
            QCOMPARE(form->startHoursEdit()->text(), QStringLiteral("00"));
            setTimes(form, times);
            if (i == 0 && QTest::currentDataTag() == QLatin1String("09:00-17:00 then 17:00-23:00"))
                testsupport::screenshot(form, QStringLiteral("time-zone-form"));
            clickLater(form->okButton());
        });
        if (last && !refusal.isEmpty())
            script.box(QStringLiteral("ok")).on<TTimeZoneForm>([](TTimeZoneForm *form) { clickLater(form->cancelButton()); });
        page->addButton()->click();
        QVERIFY(script.done());
        QCOMPARE(script.boxTexts, last && !refusal.isEmpty() ? QStringList{refusal} : QStringList());
    }
    QVERIFY(counted);
    QVERIFY(!p.windows.editorWindowOpen());
    const QList<BandRecord> bands = ReadDayTariff(p.store(), p.admin, 1, Wednesday);
    QCOMPARE(bands.size(), stored.size());
    for (int k = 0; k < bands.size(); ++k)
        QCOMPARE(qMakePair(bands[k].startTime, bands[k].endTime), stored[k]);
    // The page shows what was added, band 1 selected.
    QCOMPARE(page->selectedBand(), stored.isEmpty() ? 0 : 1);
}

void TestPhoneChargesPage::copyingOverwritesTheTickedDays()
{
    Program p;
    TariffSeed seed(p.store(), p.admin);
    seed.bands(1, Monday, {{0, 479, 0.02, 0.1, 1}, {480, 1079, 0.05, 0, 0}, {1080, 1439, 0.03, 0, 0}});
    seed.bands(1, Saturday, {{0, 99}, {100, 199}, {200, 299}, {300, 399}, {400, 1439}});
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    choose(page->dayCombo(), Monday - 1);
    ModalScript script;
    QList<int> ticked;
    script.on<TTimeZoneCopyForm>([&](TTimeZoneCopyForm *form) {
        QListWidget *days = form->dayList();
        // Monday is the source: greyed, and a click does not tick it.
        QVERIFY(!(days->item(0)->flags() & Qt::ItemIsEnabled));
        Q_EMIT days->itemClicked(days->item(0));
        Q_EMIT days->itemClicked(days->item(Saturday - 1));
        Q_EMIT days->itemClicked(days->item(6));
        Q_EMIT days->itemClicked(days->item(6));
        ticked = form->tickedDays();
        testsupport::screenshot(form, QStringLiteral("time-zone-copy-form"));
        clickLater(form->copyButton());
    });
    page->copyButton()->click();
    QVERIFY(script.done());
    QCOMPARE(ticked, QList<int>{Saturday});
    QCOMPARE(ReadDayTariff(p.store(), p.admin, 1, Saturday), ReadDayTariff(p.store(), p.admin, 1, Monday));
    QCOMPARE(ReadNumberOfBands(p.store(), p.admin, 1, Saturday), 3);
    QCOMPARE(ReadNumberOfBands(p.store(), p.admin, 1, 7), 0);
}

void TestPhoneChargesPage::savedPresetLoadsIntoAnotherIsp()
{
    Program p;
    seedFourBands(p.store(), p.admin, 1, Wednesday);
    TariffSeed(p.store(), p.admin)
        .bands(1, 8, {{0, 0, 0.001, 1.5, 1}})
        .holidays(1, {QDate(2000, 12, 25), QDate(2001, 1, 1)})
        .isp(2, QStringLiteral("Work"), QStringLiteral("Simulated ISP"))
        .bands(2, Monday, {{0, 0, 9, 9, 0}});
    PhoneChargesPage *page = p.open();
    QVERIFY(page);

    ModalScript save;
    save.on<TSaveTimeZoneForm>([](TSaveTimeZoneForm *form) {
        form->nameEdit()->setText(QStringLiteral("Acme Telecom"));
        testsupport::screenshot(form, QStringLiteral("save-time-zone-form"));
        clickLater(form->saveButton());
    });
    page->saveButton()->click();
    QVERIFY(save.done());
    QVERIFY(QFile::exists(p.ctx.startup.programDirectory + QStringLiteral("Acme Telecom.tzp")));
    QCOMPARE(page->timezonesGroup()->title(), QStringLiteral("Timezones - Acme Telecom"));

    choose(page->ispCombo(), 1);
    ModalScript load;
    load.on<TTimeZonePresetsForm>([](TTimeZonePresetsForm *form) {
        QVERIFY(!form->loadButton()->isEnabled());
        form->presetList()->setCurrentRow(0);
        QVERIFY(form->loadButton()->isEnabled());
        testsupport::screenshot(form, QStringLiteral("time-zone-presets-form"));
        clickLater(form->loadButton());
    });
    page->loadButton()->click();
    QVERIFY(load.done());
    QCOMPARE(ReadISPTariff(p.ctx, p.admin, 2), ReadISPTariff(p.ctx, p.admin, 1));
    QCOMPARE(ReadHolidays(p.store(), p.admin, 2), ReadHolidays(p.store(), p.admin, 1));
    QCOMPARE(ReadIspRecord(p.store(), p.admin, 2).presetName, QStringLiteral("Acme Telecom"));
    QCOMPARE(page->selectedBand(), 1);
    QCOMPARE(page->costEdit()->text(), QStringLiteral("0.0100"));

    // Removed after asking.
    ModalScript remove;
    remove.on<TTimeZonePresetsForm>([](TTimeZonePresetsForm *form) {
        form->presetList()->setCurrentRow(0);
        clickLater(form->removeButton());
    });
    remove.box(QStringLiteral("yes")).when<TTimeZonePresetsForm>(
        [](TTimeZonePresetsForm *form) { return form->presetList()->count() == 0; },
        [](TTimeZonePresetsForm *form) { clickLater(form->cancelButton()); });
    page->loadButton()->click();
    QVERIFY(remove.done());
    QCOMPARE(remove.boxTexts, QStringList{QStringLiteral("Are you sure you want to delete the selected preset?")});
    QVERIFY(!QFile::exists(p.ctx.startup.programDirectory + QStringLiteral("Acme Telecom.tzp")));
}

void TestPhoneChargesPage::ispListRemovesAndAdds()
{
    Program p;
    TariffSeed seed(p.store(), p.admin);
    seed.isp(2, QStringLiteral("Work"), QStringLiteral("Work Line"))
        .isp(3, QStringLiteral("Backup"), QStringLiteral("Simulated Backup ISP"))
        .bands(3, Wednesday, {{0, 0, 0.33, 0, 0}})
        .holidays(3, {QDate(2001, 5, 1)});
    p.store().WriteStoreInteger(QStringLiteral("CurrentTimeZoneISP"), TariffKeys::user(p.admin), 2);
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    QCOMPARE(page->ispCombo()->currentIndex(), 1);

    ModalScript script;
    const auto selectRow = [](TISPForm *form, int row) { form->ispList()->selectRow(row); };
    script.on<TISPForm>([&](TISPForm *form) {
        QCOMPARE(form->ispModel()->rowCount(), 3);
        testsupport::screenshot(form, QStringLiteral("isp-form"));
        selectRow(form, 0);
        clickLater(form->removeButton());
    });
    // The default connection: asked, then refused.
    script.box(QStringLiteral("yes")).box(QStringLiteral("ok"));
    script.on<TISPForm>([&](TISPForm *form) {
        selectRow(form, 1);
        clickLater(form->removeButton());
    });
    script.box(QStringLiteral("yes"));
    script.on<TISPForm>([&](TISPForm *form) {
        QCOMPARE(form->ispModel()->rowCount(), 2);
        clickLater(form->addButton());
    });
    // An entry already listed in another letter case is refused.
    script.on<TAddISPForm>([](TAddISPForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Add dial-up connection"));
        QCOMPARE(form->descriptionEdit()->text(), QStringLiteral("Simulated ISP"));
        form->connectionCombo()->setCurrentIndex(1);
        testsupport::screenshot(form, QStringLiteral("add-isp-form"));
        clickLater(form->okButton());
    });
    script.box(QStringLiteral("ok"));
    script.on<TAddISPForm>([](TAddISPForm *form) {
        form->connectionCombo()->setCurrentIndex(0);
        form->descriptionEdit()->setText(QStringLiteral("Main line"));
        clickLater(form->okButton());
    });
    script.on<TISPForm>([&](TISPForm *form) {
        QCOMPARE(form->ispModel()->rowCount(), 3);
        clickLater(form->okButton());
    });
    page->ispsButton()->click();
    QVERIFY(script.done());
    QCOMPARE(script.boxTexts,
             (QStringList{QStringLiteral("Are you sure you want to remove the selected connection?"),
                          QStringLiteral("You cannot remove the default connection."),
                          QStringLiteral("Are you sure you want to remove the selected connection?"),
                          QStringLiteral("You have already added this dialup connection.")}));
    // ISP 2 went; the former ISP 3 took its place with its tariff and holidays.
    QCOMPARE(ReadUserRecord(p.store(), p.admin).numberOfISPs, 3);
    QCOMPARE(ReadIspRecord(p.store(), p.admin, 2).ispName, QStringLiteral("Backup"));
    QCOMPARE(ReadDayTariff(p.store(), p.admin, 2, Wednesday).first().cost, QStringLiteral("0.33"));
    QCOMPARE(ReadHolidays(p.store(), p.admin, 2).size(), 1);
    QCOMPARE(ReadIspRecord(p.store(), p.admin, 3), (IspRecord{QStringLiteral("Main line"),
                                                              QStringLiteral("Simulated ISP"), {}}));
    // ISP 1 is current again, and the page shows the new list.
    QCOMPARE(ReadUserRecord(p.store(), p.admin).currentTimeZoneISP, 1);
    QCOMPARE(page->ispCombo()->count(), 3);
    QCOMPARE(page->ispCombo()->currentIndex(), 0);
}

void TestPhoneChargesPage::holidayEditorStepsAndKeepsItsList()
{
    Program p;
    TariffSeed(p.store(), p.admin).holidays(1, {QDate(2000, 12, 25)});
    PhoneChargesPage *page = p.open();
    QVERIFY(page);
    ModalScript script;
    script.on<THolidayForm>([](THolidayForm *form) {
        QCOMPARE(form->calendar()->selectedDate(), QDate(2001, 1, 10));
        QCOMPARE(form->monthLabel()->text(), QStringLiteral("January"));
        QCOMPARE(form->holidayList()->count(), 1);
        // Back from January is December of the same year, and forward again.
        form->previousMonthButton()->click();
        QCOMPARE(form->calendar()->selectedDate(), QDate(2001, 12, 1));
        QCOMPARE(form->monthLabel()->text(), QStringLiteral("December"));
        form->addButton()->click();
        form->nextMonthButton()->click();
        QCOMPARE(form->calendar()->selectedDate(), QDate(2001, 1, 1));
        form->addButton()->click();
        form->calendar()->setSelectedDate(QDate(2000, 12, 25));
        testsupport::screenshot(form, QStringLiteral("holiday-form"));
        clickLater(form->addButton());
    });
    script.box(QStringLiteral("ok"));
    script.on<THolidayForm>([](THolidayForm *form) {
        QCOMPARE(form->holidayList()->count(), 3);
        form->holidayList()->setCurrentRow(1);
        form->removeButton()->click();
        clickLater(form->okButton());
    });
    page->holidaysButton()->click();
    QVERIFY(script.done());
    QCOMPARE(script.boxTexts, QStringList{QStringLiteral("That holiday has already been added.")});
    QCOMPARE(ReadHolidays(p.store(), p.admin, 1),
             (QList<DateTime>{DateTimeFromQDate(QDate(2000, 12, 25)), DateTimeFromQDate(QDate(2001, 1, 1))}));
}

void TestPhoneChargesPage::restrictionAndOpenSession_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("restrictions");
    QTest::addColumn<bool>("buttonsShown");
    QTest::addColumn<bool>("editable");
    QTest::newRow("unrestricted") << "Ann" << 0 << true << true;
    QTest::newRow("timezone editing refused") << "Ann" << int(DisableTimezoneEditing) << false << false;
    QTest::newRow("other restrictions") << "Ann" << int(DisableUserEditing | DisableAlarmEditing) << true << true;
    QTest::newRow("the administrator is exempt") << "Admin" << int(DisableTimezoneEditing) << true << true;
}

void TestPhoneChargesPage::restrictionAndOpenSession()
{
    QFETCH(QString, user);
    QFETCH(int, restrictions);
    QFETCH(bool, buttonsShown);
    QFETCH(bool, editable);
    Program p;
    const int n = user == QStringLiteral("Admin") ? p.admin : p.ann;
    p.store().WriteStoreInteger(QStringLiteral("Restrictions"), TariffKeys::user(n), restrictions);
    TariffSeed(p.store(), n).bands(1, Wednesday, {{0, 719, 0.1, 0, 0}, {720, 1439, 0.2, 0, 0}});
    PhoneChargesPage *page = p.open(user);
    QVERIFY(page);
    for (QPushButton *button : {page->addButton(), page->removeButton(), page->copyButton(), page->saveButton(),
                                page->loadButton(), page->ispsButton(), page->holidaysButton()})
        QCOMPARE(button->isVisible(), buttonsShown);
    for (QWidget *w : std::initializer_list<QWidget *>{page->costEdit(), page->connectionEdit(),
                                                       page->minimumChargeRadio(), page->standingChargeRadio()})
        QCOMPARE(w->isEnabled(), editable);
    // Selecting another band keeps the edits as the restriction says.
    clickPie(page, {69, 5});
    QCOMPARE(page->selectedBand(), 1);
    QCOMPARE(page->costEdit()->isEnabled(), editable);

    // The pop-up's "&Remove" acts only where the buttons are shown.
    p.ctx.settings.DeletePrompt = false;
    page->pieMenu()->findChild<QAction *>(QStringLiteral("PieRemoveItem"))->trigger();
    QCOMPARE(ReadNumberOfBands(p.store(), n, 1, Wednesday), buttonsShown ? 1 : 2);

    // While a session is open nothing of the tariff can be changed.
    p.ctx.shell.SessionOpen = true;
    Q_EMIT p.ctx.events.menuStateChanged();
    for (QWidget *w : std::initializer_list<QWidget *>{page->addButton(), page->removeButton(), page->ispCombo(),
                                                       page->costEdit(), page->standingChargeRadio()})
        QVERIFY(!w->isEnabled());
    page->pieMenu()->findChild<QAction *>(QStringLiteral("PieRemoveItem"))->trigger();
    QCOMPARE(ReadNumberOfBands(p.store(), n, 1, Wednesday), buttonsShown ? 1 : 2);
    p.ctx.shell.SessionOpen = false;
    Q_EMIT p.ctx.events.menuStateChanged();
    QCOMPARE(page->addButton()->isEnabled(), true);
    QCOMPARE(page->costEdit()->isEnabled(), editable);
}

TALLYLINE_TEST_MAIN(TestPhoneChargesPage)
#include "TestPhoneChargesPage.moc"
