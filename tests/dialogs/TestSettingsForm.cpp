#include "app/HelpForm.h"
#include "core/RecordingUi.h"
#include "dialogs/SettingsForm.h"
#include "session/TaskBarWindowForm.h"
#include "store/SettingsRecord.h"
#include "support/AccountWindowProgram.h"
#include "support/Screenshot.h"
#include "support/StoreDump.h"
#include "support/TestMain.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

using testsupport::AccountWindowProgram;
using testsupport::WhenOpen;
using Page = TSettingsForm::Page;

// The settings dialog as the program opens it: from the tray or the account
// window, through the real owner, behind the settings lock.
class TestSettingsForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void treeLeadsToEachPageAndItsHelp_data();
    void treeLeadsToEachPageAndItsHelp();
    void okStoresEveryControlAndTheProgramFollows();
    void cancelChangesNothingButAPreviewedColour();
    void monitorRowsFollowTheFloatingWindow();
    void boxesTakeWhatIsTyped_data();
    void boxesTakeWhatIsTyped();
    void storedChoicesShowAndSurviveOk_data();
    void storedChoicesShowAndSurviveOk();
    void currencyBoxFollowsItsCheck();
    void lockOutAtTheCallers_data();
    void lockOutAtTheCallers();
    void reportModeShowsOnlyTheReportPages();
};

namespace {

struct Program : AccountWindowProgram {
    Program()
    {
        ctx.startup.systemCurrencySymbol = QStringLiteral("\u00a3");
        ctx.startup.executablePath = QStringLiteral("/opt/tallyline/bin/tallyline");
        ctx.settings.NTPClockServer = QString::fromLatin1(DefaultNTPClockServer);
        ctx.settings.ConnectionSound = ctx.startup.programDirectory + QStringLiteral("Ringin.wav");
        ctx.settings.DisconnectionSound = ctx.startup.programDirectory + QStringLiteral("Ringout.wav");
    }

    // Opens the dialog with the account window's "&Settings"; act runs while
    // it is up and ends by closing it.
    void openFromAccountWindow(std::function<void(TSettingsForm *)> act)
    {
        TMainForm *window = openFromTray();
        QVERIFY(window);
        WhenOpen<TSettingsForm>(act);
        window->action(QStringLiteral("SettingsItem"))->trigger();
    }
};

void selectNode(TSettingsForm *form, int top, int child)
{
    QTreeWidgetItem *item = form->settingsTree()->topLevelItem(top);
    if (child >= 0)
        item = item->child(child);
    form->settingsTree()->setCurrentItem(item);
}

QListWidgetItem *clickRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    return item;
}

bool rowOn(QListWidget *list, int row)
{
    return list->item(row)->checkState() == Qt::Checked;
}

} // namespace

void TestSettingsForm::treeLeadsToEachPageAndItsHelp_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("child");  // -1: the category itself
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("shot");

    QTest::newRow("misc header") << 0 << -1 << int(TSettingsForm::GeneralSheet) << "IDH_tallyline_settings" << "";
    QTest::newRow("general") << 0 << 0 << int(TSettingsForm::GeneralSheet) << "IDH_tallyline_settings"
                             << "settings-general";
    QTest::newRow("session list") << 0 << 1 << int(TSettingsForm::SessionListSheet) << "" << "settings-session-list";
    QTest::newRow("performance list") << 0 << 2 << int(TSettingsForm::PerformanceListSheet) << ""
                                      << "settings-performance-list";
    QTest::newRow("online header") << 1 << -1 << int(TSettingsForm::GeneralOnlineSheet)
                                   << "IDH_settings_window_general_online" << "settings-online-general";
    QTest::newRow("modem") << 1 << 1 << int(TSettingsForm::OnlineModemSheet) << "IDH_settings_window_modem_detection"
                           << "settings-modem-detection";
    QTest::newRow("clock") << 1 << 2 << int(TSettingsForm::OnlineClockSheet)
                           << "IDH_settings_window_clock_correction" << "settings-clock-correction";
    QTest::newRow("monitor") << 1 << 3 << int(TSettingsForm::OnlineConnectionSheet)
                             << "IDH_settings_window_session_monitor" << "settings-session-monitor";
    QTest::newRow("sounds") << 1 << 4 << int(TSettingsForm::OnlineSoundsSheet) << "IDH_settings_window_online_sounds"
                            << "settings-sounds";
    QTest::newRow("advanced") << 1 << 5 << int(TSettingsForm::AdvancedOnlineSheet)
                              << "IDH_settings_window_online_advanced" << "settings-advanced";
    QTest::newRow("dial-up header") << 2 << -1 << int(TSettingsForm::DialUpSheet) << "IDH_settings_general_dialup"
                                    << "settings-dial-up";
    QTest::newRow("report header") << 3 << -1 << int(TSettingsForm::ReportGeneralSheet)
                                   << "IDH_settings_window_reports" << "settings-report-general";
    QTest::newRow("colours") << 3 << 1 << int(TSettingsForm::ReportColourSheet) << "IDH_settings_window_reports"
                             << "settings-report-colours";
    QTest::newRow("security") << 4 << -1 << int(TSettingsForm::SecuritySheet) << "IDH_settings_window_security"
                              << "settings-security";
}

void TestSettingsForm::treeLeadsToEachPageAndItsHelp()
{
    QFETCH(int, top);
    QFETCH(int, child);
    QFETCH(int, page);
    QFETCH(QString, topic);
    QFETCH(QString, shot);

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    RecordingUi ui;
    AppContext ctx{*temp.store, clock, ui};
    ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
    ctx.startup.systemCurrencySymbol = QStringLiteral("\u00a3");
    ReadSettingsFromDatabase(ctx);
    TSettingsForm form(ctx);
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallyline Settings"));
    QCOMPARE(form.currentPage(), TSettingsForm::GeneralSheet);
    QCOMPARE(form.settingsTree()->topLevelItemCount(), 5);

    selectNode(&form, top, child);
    QCOMPARE(int(form.currentPage()), page);
    QVERIFY(form.settingsTree()->currentItem()->childCount() == 0);
    form.helpButton()->click();
    QCOMPARE(ui.helpTopics, QStringList{topic});
    if (!topic.isEmpty())
        QCOMPARE(QFileInfo(THelpForm::topicFile(QStringLiteral(TALLYLINE_SOURCE_DATA_DIR "/help"), topic)).fileName(),
                 topic + QStringLiteral(".html"));
    if (!shot.isEmpty())
        testsupport::screenshot(&form, shot);
}

// Every control changed, OK: the settings, the store (read back into a
// fresh context), a second opening and the running program all agree.
void TestSettingsForm::okStoresEveryControlAndTheProgramFollows()
{
    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    const QString chime = p.temp.dir.path() + QStringLiteral("/chime.wav");
    const QString bell = p.temp.dir.path() + QStringLiteral("/bell.wav");
    for (const QString &path : {chime, bell}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const Settings before = p.ctx.settings;

    p.openFromAccountWindow([&](TSettingsForm *form) {
        for (Page page : {TSettingsForm::GeneralSheet, TSettingsForm::SessionListSheet,
                          TSettingsForm::PerformanceListSheet, TSettingsForm::GeneralOnlineSheet,
                          TSettingsForm::OnlineConnectionSheet, TSettingsForm::ReportGeneralSheet,
                          TSettingsForm::SecuritySheet}) {
            form->pages()->setCurrentIndex(page);
            QListWidget *list = form->checkList(page);
            for (int row = 0; row < list->count(); ++row)
                clickRow(list, row);
        }
        form->overrideCurrencyCheck()->click();
        form->currencyEdit()->setText(QStringLiteral("EUR"));
        form->modemDetectionRadio(2)->click();
        form->correctionSecondsEdit()->setText(QStringLiteral("25"));
        form->timeServerCombo()->setEditText(QStringLiteral("time.cloudflare.com"));
        form->clockNeverRadio()->click();
        form->monitorFontSizeSpin()->setValue(14);
        form->monitorFontBoldCheck()->click();
        form->floatingWindowCheck()->click();
        form->connectSoundCheck()->click();
        form->disconnectSoundCheck()->click();
        QVERIFY(!form->desktopNotificationsCheck()->isChecked());
        form->desktopNotificationsCheck()->click();
        form->pages()->setCurrentIndex(TSettingsForm::OnlineSoundsSheet);
        testsupport::screenshot(form, QStringLiteral("settings-sounds"));
        for (auto [button, path] : {std::pair{form->connectSoundBrowseButton(), chime},
                                    std::pair{form->disconnectSoundBrowseButton(), bell}}) {
            WhenOpen<QFileDialog>([path](QFileDialog *dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Alarm wave file"));
                QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Wave files (*.wav)")});
                QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
                dialog->selectFile(path);
                static_cast<QDialog *>(dialog)->accept();
            });
            button->click();
        }
        form->hangUpCheck()->click();
        form->hangUpBytesEdit()->setText(QStringLiteral("2500"));
        form->hangUpMinutesSpin()->setValue(45);
        form->keepAliveCheck()->click();
        form->keepAliveHostCombo()->setEditText(QStringLiteral("127.0.0.1"));
        form->keepAliveIntervalSpin()->setValue(7);
        form->promptHangUpCheck()->click();
        form->reconnectionRadio(1)->click();
        const QColor picked[] = {QColor(1, 2, 3), QColor(4, 5, 6), QColor(7, 8, 9)};
        for (int i = 0; i < 3; ++i) {
            WhenOpen<QColorDialog>([colour = picked[i]](QColorDialog *dialog) {
                dialog->setCurrentColor(colour);
                dialog->accept();
            });
            form->colourPanel(TSettingsForm::GraphColour(i))->click();
        }
        form->okButton()->click();
    });

    Settings expected = before;
    const auto flip = [](bool &flag) { flag = !flag; };
    for (bool *flag : {&expected.DeletePrompt, &expected.ShowGridLines, &expected.LoadAtStartUp,
                       &expected.SeperateDays, &expected.DisplayBillWindow, &expected.UseStandardToolbar,
                       &expected.ShowSplashForm, &expected.PromptOnExit, &expected.AutoLogonLastUser,
                       &expected.AutoOpenSession, &expected.ProgramRunOnFullConnect,
                       &expected.SessionChargesStartTimeZone, &expected.ShowCostsBeforeTime,
                       &expected.ShowMonitorSessionTime, &expected.ShowMonitorDailyCost,
                       &expected.ShowMonitorAccountCost, &expected.ShowMonitorReceived,
                       &expected.ShowMonitorTransmitted, &expected.ShowMonitorTotalReceived,
                       &expected.ShowMonitorTotalTransmitted, &expected.DisplayGraphAs3D,
                       &expected.ShowValueMarkers, &expected.AnimatedZoom, &expected.FillGraphBackground,
                       &expected.DisconnectOnExit, &expected.AllowToBeExited, &expected.DisableDialUp,
                       &expected.AdminSettingsLockOut, &expected.AlwaysPromptPassword,
                       &expected.DontBackupDatabase, &expected.CheckClockTamper, &expected.SessionMonitorFontBold,
                       &expected.ShowFloatingWindow, &expected.PlaySoundOnConnect, &expected.PlaySoundOnDisconnect,
                       &expected.AutoHangupConnection, &expected.KeepConnectionAlive, &expected.PromptHangUp,
                       &expected.AutoClockCorrect, &expected.OverrideCurrency, &expected.DesktopNotifications})
        flip(*flag);
    for (int i = 0; i < 11; ++i) {
        flip(expected.SessionListDisplay[i]);
        flip(expected.PerformanceListDisplay[i]);
    }
    expected.OverrideCurrencyString = QStringLiteral("EUR");
    expected.ModemDetectionType = 2;
    expected.ModemCorrectionFactor = 25;
    expected.NTPClockServer = QStringLiteral("time.cloudflare.com");
    expected.SessionMonitorFontSize = 14;
    expected.ConnectionSound = chime;
    expected.DisconnectionSound = bell;
    expected.HangupMinimumBytes = 2500;
    expected.HangupTime = 45;
    expected.AlivePingAddress = QStringLiteral("127.0.0.1");
    expected.KeepConnectionAliveInterval = 7;
    expected.PromptForReconnection = false;
    expected.AutoReconnectConnection = true;
    expected.StartGraphColor = 0x030201;
    expected.FinishGraphColor = 0x060504;
    expected.GraphSeriesColor = 0x090807;
    // The account window's sizes went in with them.
    Settings &now = p.ctx.settings;
    expected.MainWindowWidth = now.MainWindowWidth;
    expected.MainWindowHeight = now.MainWindowHeight;
    expected.SessionColumn = now.SessionColumn;
    expected.PerformanceColumn = now.PerformanceColumn;
    QCOMPARE(now, expected);
    QCOMPARE(p.ctx.currencySymbol, QStringLiteral("EUR"));

    RecordingUi freshUi;
    AppContext fresh{p.ctx.store, p.clock, freshUi};
    fresh.startup = p.ctx.startup;
    ReadSettingsFromDatabase(fresh);
    QCOMPARE(fresh.settings, expected);
    StoreValue run;
    QVERIFY(p.ctx.store.readValue(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                                  QStringLiteral("Tallyline"), run));
    QCOMPARE(run.data.toString(), QString());

    // The running program follows.
    TMainForm *window = p.windows.accountWindow();
    QVERIFY(!window->action(QStringLiteral("CloseAndExitItem"))->isEnabled());
    QVERIFY(!p.windows.mainAppForm()->exitItem()->isEnabled());
    QVERIFY(!window->action(QStringLiteral("OnlineDetectionItem"))->isEnabled());
    QVERIFY(!p.windows.mainAppForm()->onlineDetectionItem()->isEnabled());
    QVERIFY(!window->sessionList()->showGrid());
    QVERIFY(window->toolBar()->styleSheet().contains(QStringLiteral("1px")));
    for (int c = 0; c < 11; ++c) {
        QCOMPARE(window->sessionList()->isColumnHidden(c), !expected.SessionListDisplay[c]);
        QCOMPARE(window->performanceList()->isColumnHidden(c), !expected.PerformanceListDisplay[c]);
    }
    QCOMPARE(p.windows.mainAppForm()->Ping1.address(), QStringLiteral("127.0.0.1"));
    const auto *monitorText = p.windows.monitor()->findChild<QLabel *>(QStringLiteral("TimerFloatingText"));
    QCOMPARE(monitorText->font().pointSize(), 14);
    QVERIFY(monitorText->font().bold());

    // Opened again, every control shows what was set.
    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        QCOMPARE(form->chosenSettings(), expected);
        QCOMPARE(form->connectSoundEdit()->text(), QStringLiteral("chime.wav"));
        QCOMPARE(form->disconnectSoundEdit()->text(), QStringLiteral("bell.wav"));
        QVERIFY(!form->timeServerCombo()->isEnabled());
        QCOMPARE(form->timeServerCombo()->currentText(), QStringLiteral("time.cloudflare.com"));
        form->cancelButton()->click();
    });
    window->action(QStringLiteral("SettingsButton"))->trigger();
}

void TestSettingsForm::cancelChangesNothingButAPreviewedColour()
{
    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    WriteSettingsToDatabase(p.ctx);
    const Settings before = p.ctx.settings;
    const QStringList stored = testsupport::dumpTree(p.ctx.store);
    QSignalSpy previews(&p.ctx.events, &EngineEvents::graphColoursPicked);
    QSignalSpy applied(&p.ctx.events, &EngineEvents::settingsApplied);

    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        clickRow(form->checkList(TSettingsForm::GeneralSheet), 1);
        form->floatingWindowCheck()->click();
        form->correctionSecondsEdit()->setText(QStringLiteral("99"));
        form->clockNeverRadio()->click();
        WhenOpen<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
            dialog->accept();
        });
        form->colourPanel(TSettingsForm::FinishColour)->click();
        QCOMPARE(form->panelColour(TSettingsForm::FinishColour), 0x302010);
        form->cancelButton()->click();
    });
    p.windows.mainAppForm()->settingsItem()->trigger();

    QCOMPARE(p.ctx.settings, before);
    QCOMPARE(testsupport::dumpTree(p.ctx.store), stored);
    QCOMPARE(applied.count(), 0);
    // An open report window was recoloured at once and stays so.
    QCOMPARE(previews.count(), 1);
    QCOMPARE(previews[0], (QVariantList{before.StartGraphColor, 0x302010, before.GraphSeriesColor}));
    QVERIFY(!p.windows.settingsForm());
    QVERIFY(!p.windows.editorWindowOpen());
}

void TestSettingsForm::monitorRowsFollowTheFloatingWindow()
{
    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    p.ctx.settings.ShowFloatingWindow = true;
    WhenOpen<TSettingsForm>([](TSettingsForm *form) {
        selectNode(form, 1, 3);
        QListWidget *rows = form->checkList(TSettingsForm::OnlineConnectionSheet);
        QVERIFY(form->monitorFontSizeSpin()->isEnabled());
        QVERIFY(!rowOn(rows, 0));
        clickRow(rows, 0);
        QVERIFY(rowOn(rows, 0));

        form->floatingWindowCheck()->click();
        testsupport::screenshot(form, QStringLiteral("settings-session-monitor-off"));
        QVERIFY(!form->monitorFontSizeSpin()->isEnabled());
        QVERIFY(!form->monitorFontBoldCheck()->isEnabled());
        QList<bool> was;
        for (int row = 0; row < 8; ++row) {
            was.append(rowOn(rows, row));
            clickRow(rows, row);
        }
        for (int row = 0; row < 6; ++row) {
            QVERIFY(!rows->item(row)->flags().testFlag(Qt::ItemIsEnabled));
            QCOMPARE(rowOn(rows, row), was[row]);
        }
        for (int row = 6; row < 8; ++row)
            QCOMPARE(rowOn(rows, row), !was[row]);

        form->floatingWindowCheck()->click();
        QVERIFY(form->monitorFontBoldCheck()->isEnabled());
        clickRow(rows, 2);
        QCOMPARE(rowOn(rows, 2), !was[2]);
        form->cancelButton()->click();
    });
    p.windows.mainAppForm()->settingsItem()->trigger();
}

void TestSettingsForm::boxesTakeWhatIsTyped_data()
{
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("secondsShown");
    QTest::addColumn<int>("secondsStored");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<int>("bytesStored");

    QTest::newRow("third digit cut") << "123" << "12" << 12 << "1000" << 1000;
    QTest::newRow("not numbers") << "ab" << "ab" << 0 << "lots" << 0;
    QTest::newRow("negative") << "-5" << "-5" << -5 << "" << 0;
    QTest::newRow("pasted long") << "9x9" << "9x" << 0 << "12k" << 0;
}

void TestSettingsForm::boxesTakeWhatIsTyped()
{
    QFETCH(QString, seconds);
    QFETCH(QString, secondsShown);
    QFETCH(int, secondsStored);
    QFETCH(QString, bytes);
    QFETCH(int, bytesStored);

    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        selectNode(form, 1, 1);
        QLineEdit *edit = form->correctionSecondsEdit();
        edit->selectAll();
        QTest::keyClicks(edit, seconds);
        QCOMPARE(edit->text(), secondsShown);
        form->hangUpBytesEdit()->setText(bytes);
        form->okButton()->click();
    });
    p.windows.mainAppForm()->settingsItem()->trigger();
    QCOMPARE(p.ctx.settings.ModemCorrectionFactor, secondsStored);
    QCOMPARE(p.ctx.settings.HangupMinimumBytes, bytesStored);
}

void TestSettingsForm::storedChoicesShowAndSurviveOk_data()
{
    QTest::addColumn<int>("detectionType");
    QTest::addColumn<QString>("modemRadio");
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<QString>("reconnectionRadio");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("seconds");

    QTest::newRow("password verification, prompt")
        << 0 << "On password verification" << true << false << "Prompt to reconnect if connection drops."
        << "time.nist.gov" << 10;
    QTest::newRow("modem dial, reconnect")
        << 1 << "On modem dial" << false << true << "Automatically reconnect if connection drops." << "0.pool.ntp.org" << 120;
    QTest::newRow("internet, nothing")
        << 2 << "On internet connection" << false << false << "Do nothing if connection drops."
        << "clock.example.lan" << -15;
}

void TestSettingsForm::storedChoicesShowAndSurviveOk()
{
    QFETCH(int, detectionType);
    QFETCH(QString, modemRadio);
    QFETCH(bool, prompt);
    QFETCH(bool, reconnect);
    QFETCH(QString, reconnectionRadio);
    QFETCH(QString, server);
    QFETCH(int, seconds);

    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    Settings &s = p.ctx.settings;
    s.ModemDetectionType = detectionType;
    s.PromptForReconnection = prompt;
    s.AutoReconnectConnection = reconnect;
    s.NTPClockServer = server;
    s.ModemCorrectionFactor = seconds;
    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        QCOMPARE(form->correctionSecondsEdit()->text(), QString::number(seconds));
        QStringList chosen;
        for (QRadioButton *radio : form->findChildren<QRadioButton *>())
            if (radio->isChecked())
                chosen.append(radio->text());
        QVERIFY2(chosen.contains(modemRadio), qPrintable(chosen.join(QLatin1Char('|'))));
        QVERIFY2(chosen.contains(reconnectionRadio), qPrintable(chosen.join(QLatin1Char('|'))));
        // The server list stays sorted, with the one in use among it.
        QComboBox *servers = form->timeServerCombo();
        QStringList names;
        for (int i = 0; i < servers->count(); ++i)
            names.append(servers->itemText(i));
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(names, sorted);
        QVERIFY(names.contains(QString::fromLatin1(DefaultNTPClockServer)));
        QCOMPARE(servers->currentText(), server);
        QCOMPARE(servers->itemText(servers->currentIndex()), server);
        form->okButton()->click();
    });
    p.windows.mainAppForm()->settingsItem()->trigger();
    QCOMPARE(s.ModemDetectionType, detectionType);
    QCOMPARE(s.PromptForReconnection, prompt);
    QCOMPARE(s.AutoReconnectConnection, reconnect);
    QCOMPARE(s.NTPClockServer, server);
    QCOMPARE(s.ModemCorrectionFactor, seconds);
}

void TestSettingsForm::currencyBoxFollowsItsCheck()
{
    Program p;
    QVERIFY(p.logIn(QStringLiteral("Admin")));
    p.ctx.settings.OverrideCurrencyString = QStringLiteral("DM");
    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        QCheckBox *check = form->overrideCurrencyCheck();
        QLineEdit *edit = form->currencyEdit();
        QVERIFY(!check->isChecked());
        QVERIFY(!edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("\u00a3"));
        check->click();
        QVERIFY(edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("DM"));
        edit->setText(QStringLiteral("Fr"));
        check->click();
        QCOMPARE(edit->text(), QStringLiteral("\u00a3"));
        form->okButton()->click();
    });
    p.windows.mainAppForm()->settingsItem()->trigger();
    QVERIFY(!p.ctx.settings.OverrideCurrency);
    QCOMPARE(p.ctx.settings.OverrideCurrencyString, QStringLiteral("DM"));
    QCOMPARE(p.ctx.currencySymbol, QStringLiteral("\u00a3"));
}

void TestSettingsForm::lockOutAtTheCallers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("lockOut");
    QTest::addColumn<QString>("caller");
    QTest::addColumn<bool>("opens");

    for (const char *caller : {"tray", "SettingsItem", "SettingsButton"}) {
        QTest::addRow("Ann locked out, %s", caller) << "Ann" << true << caller << false;
        QTest::addRow("Ann without the lock, %s", caller) << "Ann" << false << caller << true;
        QTest::addRow("lower-case admin, %s", caller) << "admin" << true << caller << true;
    }
    QTest::newRow("administrator session") << "Admin" << true << "tray" << true;
}

void TestSettingsForm::lockOutAtTheCallers()
{
    QFETCH(QString, user);
    QFETCH(bool, lockOut);
    QFETCH(QString, caller);
    QFETCH(bool, opens);

    Program p;
    testsupport::AddSeedUser(p.ctx.store, p.ctx.settings, {QStringLiteral("admin"), QStringLiteral("pw")});
    QVERIFY(p.logIn(user));
    p.ctx.settings.AdminSettingsLockOut = lockOut;
    TMainForm *window = caller == QLatin1String("tray") ? nullptr : p.openFromTray();

    // Whatever comes up, the dialog or a box, is seen and closed.
    bool opened = false;
    QStringList boxes;
    QTimer::singleShot(0, [&] {
        if (auto *form = qobject_cast<TSettingsForm *>(QApplication::activeModalWidget())) {
            opened = true;
            form->cancelButton()->click();
            return;
        }
        const QString open = AnswerBoxRequest(QStringLiteral("boxes"), QString()).value_or(QString());
        for (const QString &line : open.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("box: ")))
                boxes.append(line.mid(5));
        AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("OK"));
    });
    if (window)
        window->action(caller)->trigger();
    else
        p.windows.mainAppForm()->settingsItem()->trigger();

    QCOMPARE(opened, opens);
    QCOMPARE(boxes, opens ? QStringList() : QStringList{QStringLiteral("Only the administrator can change settings!")});
}

void TestSettingsForm::reportModeShowsOnlyTheReportPages()
{
    Program p;
    QVERIFY(p.logIn(QStringLiteral("Ann")));
    p.ctx.settings.AdminSettingsLockOut = true;
    p.ctx.settings.ShowValueMarkers = false;
    bool opened = false;
    WhenOpen<TSettingsForm>([&](TSettingsForm *form) {
        opened = true;
        QCOMPARE(form->windowTitle(), QStringLiteral("Tallyline Report Settings"));
        QTreeWidget *tree = form->settingsTree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Report Settings"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        QCOMPARE(form->currentPage(), TSettingsForm::ReportGeneralSheet);
        testsupport::screenshot(form, QStringLiteral("settings-report-mode"));
        selectNode(form, 0, 1);
        QCOMPARE(form->currentPage(), TSettingsForm::ReportColourSheet);
        selectNode(form, 0, 0);
        clickRow(form->checkList(TSettingsForm::ReportGeneralSheet), 1);
        form->okButton()->click();
    });
    // The report window's "&Graph Setup" asks for no administrator.
    p.ctx.ui.showWindow(UiWindow::ReportSettings);
    QVERIFY(opened);
    QVERIFY(p.ctx.settings.ShowValueMarkers);
}

TALLYLINE_TEST_MAIN(TestSettingsForm)

#include "TestSettingsForm.moc"
