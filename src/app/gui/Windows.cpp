#include "app/gui/Windows.h"

#include "account_window/InformationForm.h"
#include "account_window/MainForm.h"
#include "alarms/AlarmForm.h"
#include "alarms/QuickAlarmsForm.h"
#include "app/HelpForm.h"
#include "app/MainAppForm.h"
#include "app/MainTimer.h"
#include "app/Startup.h"
#include "app/gui/BoxRequests.h"
#include "core/AppContext.h"
#include "core/GlobalErrorHandler.h"
#include "dialogs/SettingsForm.h"
#include "dialogs/SplashForm.h"
#include "dialogs/TipOfTheDayForm.h"
#include "dialogs/WizardForm.h"
#include "platform/LineControl.h"
#include "platform/SignalWatcher.h"
#include "session/AddEditAppForm.h"
#include "reports/BillForm.h"
#include "reports/ReportForm.h"
#include "reports/SessionPrintForm.h"
#include "session/DialUpLine.h"
#include "session/EditSessionForm.h"
#include "session/TaskBarWindowForm.h"
#include "users/EditUserForm.h"
#include "users/Users.h"
#include "tools/InternetToolsForm.h"
#include "users/LoginForm.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSessionManager>

#include <csignal>
#include <cstdio>

namespace {

void writeLogLine(const QString &text)
{
    std::fprintf(stderr, "%s\n", Windows::logLine(text).toLocal8Bit().constData());
    std::fflush(stderr);
}

void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

Windows::Windows(Clock &clock, const QString &lineKind) : m_clock(clock), m_lineKind(lineKind)
{
    // Watched from the start, so that a SIGTERM during start-up is not lost:
    // it is acted on once the program runs.
    m_signals = std::make_unique<SignalWatcher>(std::initializer_list<int>{SIGTERM, SIGINT, SIGHUP});
    connect(m_signals.get(), &SignalWatcher::received, this, &Windows::requestExitFromOutside);
    // Checked from the modal windows' own event loops while start-up runs.
    m_startupExitWatch.setInterval(100);
    connect(&m_startupExitWatch, &QTimer::timeout, this, &Windows::closeStartupDialogOnExit);
    m_startupExitWatch.start();
}

Windows::~Windows()
{
    delete m_accountWindow.data();
    // The monitor and the tray form use the dial-up line: they go first.
    m_monitor.reset();
    m_mainAppForm.reset();
    m_line.reset();
    delete m_help.data();
}

THelpForm *Windows::helpWindow() const
{
    return m_help.data();
}

TLoginForm *Windows::loginForm() const
{
    return m_login.data();
}

TQuickAlarmsForm *Windows::quickAlarmsForm() const
{
    return m_quickAlarms.data();
}

TMainForm *Windows::accountWindow() const
{
    return m_accountWindow.data();
}

QString Windows::logLine(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    return QStringLiteral("Tallyline: ") + text.trimmed().replace(breaks, QStringLiteral(" "));
}

void Windows::showMessage(MessageKind kind, const QString &text)
{
    if (m_quiet)
        writeLogLine(text);
    else
        m_boxes.showMessage(kind, text);
}

bool Windows::confirm(const QString &text)
{
    return !m_quiet && m_boxes.confirm(text);
}

bool Windows::confirmOkCancel(MessageKind kind, const QString &text)
{
    return !m_quiet && m_boxes.confirmOkCancel(kind, text);
}

bool Windows::showMessageFromTick(MessageKind kind, const QString &text)
{
    return m_tickBoxes.raise(text, [&] { showMessage(kind, text); });
}

bool Windows::confirmFromTick(const QString &text)
{
    bool answer = false;
    return m_tickBoxes.raise(text, [&] { answer = confirm(text); }) && answer;
}

void Windows::beep()
{
    if (!m_quiet)
        m_boxes.beep();
}

void Windows::showWindow(UiWindow window)
{
    if (m_quiet || !m_ctx)
        return;
    switch (window) {
    case UiWindow::Login:
        showLogin();
        break;
    case UiWindow::Splash:
        showSplash();
        break;
    case UiWindow::SetupWizard:
        showSetupWizard();
        break;
    case UiWindow::FloatingMonitor:
        m_monitor->showMonitor();
        break;
    case UiWindow::OnlineTimeAlarm:
    case UiWindow::SpecificTimeAlarm:
        showQuickAlarms(window);
        break;
    case UiWindow::TipOfTheDay:
        showTipOfTheDay();
        break;
    case UiWindow::InternetTools:
        showInternetTools(m_internetTools ? m_internetTools->currentPage() : InternetToolsPage::Ping);
        break;
    case UiWindow::AccountInformation:
        showAccountWindow();
        break;
    case UiWindow::EndOfPeriodBill:
        // Raised from the main tick: the ticks go on while it is up.
        m_tickBoxes.raise(QStringLiteral("Account bill"), [this] { showBill(true); });
        break;
    case UiWindow::AccountBill:
        showBill(false);
        break;
    case UiWindow::SessionPrint:
        showSessionPrint();
        break;
    case UiWindow::PrintSetup:
        showPrintSetup();
        break;
    case UiWindow::Reports:
        showReports();
        break;
    case UiWindow::Settings:
        showSettings(int(TSettingsForm::Mode::All));
        break;
    case UiWindow::ReportSettings:
        showSettings(int(TSettingsForm::Mode::Report));
        break;
    }
}

void Windows::hideWindow(UiWindow window)
{
    if (window == UiWindow::FloatingMonitor && m_monitor)
        m_monitor->hideMonitor();
}

bool Windows::editorWindowOpen() const
{
    return m_editorsOpen > 0;
}

void Windows::runEditor(const std::function<void()> &run)
{
    ++m_editorsOpen;
    struct Closed {
        int &count;
        ~Closed() { --count; }
    } closed{m_editorsOpen};
    run();
}

void Windows::showHelp(const QString &keyword)
{
    if (m_quiet)
        return;
    if (!m_help)
        m_help = new THelpForm(m_helpDirectory);
    // Asked for from a modal window (the setup wizard, say), the help window
    // becomes that window's own, so that it can be read, scrolled and closed
    // while the modal window waits.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != m_help && m_help->parentWidget() != modal)
        m_help->setParent(modal, m_help->windowFlags() | Qt::Window);
    m_help->showTopic(keyword);
    bringUp(m_help);
}

void Windows::showLogin()
{
    if (m_login) {
        bringUp(m_login);
        return;
    }
    TLoginForm form(*m_ctx);
    m_login = &form;
    form.exec();
}

void Windows::showQuickAlarms(UiWindow opener)
{
    if (m_quickAlarms && m_quickAlarms->isVisible())
        return;
    runEditor([&] {
        TQuickAlarmsForm form(*m_ctx);
        m_quickAlarms = &form;
        form.prepare(opener == UiWindow::OnlineTimeAlarm ? TQuickAlarmsForm::Opener::OnlineTimeAlarm
                                                         : TQuickAlarmsForm::Opener::SpecificTimeAlarm);
        form.exec();
    });
}

TEditSessionForm *Windows::editSessionForm() const
{
    return m_editSession.data();
}

TTipOfTheDayForm *Windows::tipOfTheDayForm() const
{
    return m_tipOfTheDay.data();
}

void Windows::editSession(DateTime day, int session, const QString &connection)
{
    if (m_quiet || !m_ctx || session < 1)
        return;
    if (m_editSession) {
        bringUp(m_editSession);
        return;
    }
    // Over the account window, which opens it.
    QWidget *owner = m_accountWindow;
    runEditor([&] {
        TEditSessionForm form(*m_ctx, day, session, connection, owner);
        m_editSession = &form;
        form.exec();
    });
}

void Windows::runDialog(QDialog *dialog)
{
    if (m_quiet || !dialog)
        return;
    runEditor([dialog] { dialog->exec(); });
}

void Windows::showTipOfTheDay()
{
    if (m_tipOfTheDay) {
        bringUp(m_tipOfTheDay);
        return;
    }
    TTipOfTheDayForm form(*m_ctx);
    m_tipOfTheDay = &form;
    form.exec();
}

void Windows::showSplash()
{
    // Start-up's windows are not shown once the program is asked to end.
    if (!m_exitRequested)
        ShowSplashFormWindow(*m_ctx);
}

void Windows::showSetupWizard()
{
    if (m_exitRequested)
        return;
    WizardOutcome outcome = WizardOutcome::Closed;
    runEditor([&] { outcome = ShowWizardFormWindow(*m_ctx); });
    // A first run whose wizard is cancelled ends the program once the event
    // loop runs (start-up is still under way here).
    if (outcome == WizardOutcome::EndProgram)
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// The account window lives while it is open: closing it lets it go, and the
// next "Account Details" makes a fresh one.
void Windows::showAccountWindow()
{
    if (!m_accountWindow) {
        m_accountWindow = new TMainForm(*m_ctx);
        m_accountWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_accountWindow, &TMainForm::exitRequested, this, &Windows::requestExit);
        connect(m_accountWindow, &TMainForm::informationRequested, this, &Windows::showInformation);
        connect(m_accountWindow, &TMainForm::editSessionRequested, this, &Windows::editSession);
        connect(m_accountWindow, &TMainForm::userEditorRequested, this, &Windows::showUserEditor);
        connect(m_accountWindow, &TMainForm::alarmEditorRequested, this, &Windows::showAlarmEditor);
        connect(m_accountWindow, &TMainForm::programEditorRequested, this, &Windows::showProgramEditor);
        connect(m_accountWindow, &TMainForm::dialogRequested, this, &Windows::runDialog);
        connect(m_accountWindow, &TMainForm::startupTipDue, this, [this] {
            if (m_startupTipShown)
                return;
            m_startupTipShown = true;
            showWindow(UiWindow::TipOfTheDay);
        });
    }
    m_accountWindow->showAccountWindow();
}

void Windows::showUserEditor(int user)
{
    if (m_quiet || !m_ctx)
        return;
    runEditor([&] {
        TEditUserForm form(*m_ctx, m_accountWindow);
        form.prepare(user);
        form.exec();
    });
}

void Windows::showAlarmEditor(int alarm)
{
    if (m_quiet || !m_ctx)
        return;
    runEditor([&] {
        TAlarmForm form(*m_ctx, m_accountWindow);
        form.prepare(alarm);
        form.exec();
    });
}

void Windows::showProgramEditor(int program)
{
    if (m_quiet || !m_ctx)
        return;
    runEditor([&] {
        TAddEditAppForm form(*m_ctx, m_accountWindow);
        form.prepare(program);
        form.exec();
    });
}

void Windows::showInformation(bool contact)
{
    TInformationForm form(*m_ctx, m_accountWindow);
    form.showPanel(contact ? TInformationForm::ContactPanel : TInformationForm::AboutPanel);
    form.exec();
}

// The bill is made once and kept; each showing rebuilds it.
void Windows::showBill(bool endOfPeriod)
{
    if (!m_ctx->login.LoggedIn)
        return;
    if (m_bill && m_bill->isVisible()) {
        bringUp(m_bill.get());
        return;
    }
    if (!m_bill) {
        m_bill = std::make_unique<TBillForm>(*m_ctx);
        connect(m_bill.get(), &TBillForm::printRequested, this, &Windows::showSessionPrint);
    }
    runEditor([&] {
        m_bill->prepare(endOfPeriod);
        m_bill->exec();
    });
}

TSessionPrintForm *Windows::sessionPrintForm() const
{
    return m_sessionPrint.data();
}

TReportForm *Windows::reportForm() const
{
    return m_report.data();
}

// Made for each use and let go when closed (printing ends before it closes).
void Windows::showSessionPrint()
{
    if (m_sessionPrint) {
        bringUp(m_sessionPrint);
        return;
    }
    QWidget *owner = m_bill && m_bill->isVisible() ? static_cast<QWidget *>(m_bill.get()) : m_accountWindow.data();
    TSessionPrintForm form(*m_ctx, owner);
    m_sessionPrint = &form;
    form.prepare(m_bill && m_bill->isVisible() ? m_bill->selectedPeriod() : -1);
    form.exec();
}

void Windows::showPrintSetup()
{
    TSessionPrintForm form(*m_ctx, m_accountWindow);
    form.runPrinterSetup();
}

void Windows::showReports()
{
    if (m_report) {
        bringUp(m_report);
        return;
    }
    runEditor([&] {
        TReportForm form(*m_ctx, m_accountWindow);
        m_report = &form;
        form.prepare();
        form.exec();
    });
}

void Windows::startResidentShell(AppContext &ctx)
{
    m_ctx = &ctx;
    m_tickBoxes.setTimerSwitch(&ctx.shell.Timer1Enabled);
    m_helpDirectory = ctx.startup.programDirectory + QStringLiteral("help");

    QString lineError;
    m_line = DialUpLine::create(ctx, m_lineKind, m_clock, &lineError);
    if (!m_line)
        qWarning("%s", qPrintable(lineError));
    else if (!m_line->warning().isEmpty())
        qWarning("%s", qPrintable(m_line->warning()));
    if (m_line && m_line->control())
        m_line->control()->setProgramRequests(AnswerBoxRequest);

    m_mainAppForm = std::make_unique<TMainAppForm>(ctx);
    TMainAppForm &tray = *m_mainAppForm;
    tray.plugIn(tray.onlineTimeAlarmItem(), [this] { showWindow(UiWindow::OnlineTimeAlarm); });
    tray.plugIn(tray.specificTimeAlarmItem(), [this] { showWindow(UiWindow::SpecificTimeAlarm); });
    plugInInternetTools(tray);
    tray.plugIn(tray.settingsItem(), [this] {
        PROCEDURE_GUARD(*m_ctx, "MainApp", "Settings1Click");
        if (SettingsUnlocked(*m_ctx) && NoEditorWindowOpen(*m_ctx))
            showWindow(UiWindow::Settings);
    });
    connect(&tray, &TMainAppForm::exitRequested, this, &Windows::requestExit);
    // The resident window closed: as Exit, and a fresh instance for a user
    // who may not end the program. It waits for this one to let go.
    connect(&tray, &TMainAppForm::closeRequested, this, [this](bool relaunch) {
        tidyUp();
        if (relaunch)
            QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                    RelaunchArguments(QCoreApplication::arguments().mid(1)));
        QCoreApplication::quit();
    });

    m_monitor = std::make_unique<TTaskBarWindowForm>(ctx);
    m_monitor->LayoutSessionMonitor();
    ctx.startup.monitorWindowWidth = m_monitor->width();
    connect(&ctx.events, &EngineEvents::settingsApplied, m_monitor.get(), &TTaskBarWindowForm::LayoutSessionMonitor);

    tray.AddSystemTrayIcon();
}

void Windows::endResidentShell()
{
    if (m_mainAppForm)
        m_mainAppForm->RemoveSystemTrayIcon();
}

void Windows::reportError(std::exception_ptr error)
{
    if (m_ctx)
        GlobalErrorHandler(*m_ctx, error);
    else
        ShowInternalError(*this, ErrorContext(), error);
}

void Windows::requestExit()
{
    m_exitRequested = true;
    if (!m_running)
        return;
    tidyUp();
    QCoreApplication::quit();
}

void Windows::requestExitFromOutside()
{
    m_quiet = true;
    requestExit();
}

void Windows::closeStartupDialogOnExit()
{
    if (!m_exitRequested || m_running)
        return;
    // The splash closes by itself within two seconds.
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (dialog && dialog->isVisible() && !qobject_cast<TSplashForm *>(dialog))
        dialog->done(QDialog::Rejected);
}

void Windows::tidyUp()
{
    if (m_tidied || !m_ctx)
        return;
    m_tidied = true;
    // An open account window's sizes are saved with the settings.
    if (m_accountWindow)
        m_accountWindow->storeWindowSizes();
    TidyUpForExit(*m_ctx);
}

int Windows::exec(AppContext &ctx)
{
    m_ctx = &ctx;
    m_startupExitWatch.stop();
    m_running = true;
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        QMetaObject::invokeMethod(this, &Windows::requestExitFromOutside, Qt::QueuedConnection);
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Windows::tidyUp);
    if (m_exitRequested)
        QMetaObject::invokeMethod(this, &Windows::requestExit, Qt::QueuedConnection);
    const int result = QApplication::exec();
    m_running = false;
    // The windows use the context, which ends with start-up: they go now.
    delete m_accountWindow.data();
    m_monitor.reset();
    m_mainAppForm.reset();
    m_line.reset();
    delete m_help.data();
    m_ctx = nullptr;
    return result;
}

void Windows::abandon()
{
    m_ctx = nullptr;
    (void)m_monitor.release();
    (void)m_mainAppForm.release();
    (void)m_line.release();
}

// The settings dialog: modal, one at a time, counted as an open editor. The
// report window's set-up opens it on its report pages.
TSettingsForm *Windows::settingsForm() const
{
    return m_settings.data();
}

void Windows::showSettings(int mode)
{
    if (m_settings) {
        bringUp(m_settings);
        return;
    }
    runEditor([&] {
        TSettingsForm form(*m_ctx, TSettingsForm::Mode(mode), QApplication::activeWindow());
        m_settings = &form;
        form.exec();
    });
}

// The Internet tools window: one per program, a window of the tray form's
// (so it goes with it), opened by the tray's four tool items at their page.

TInternetToolsForm *Windows::internetToolsForm() const
{
    return m_internetTools.data();
}

void Windows::plugInInternetTools(TMainAppForm &tray)
{
    tray.plugIn(tray.pingItem(), [this] { showInternetTools(InternetToolsPage::Ping); });
    tray.plugIn(tray.fingerItem(), [this] { showInternetTools(InternetToolsPage::Finger); });
    tray.plugIn(tray.dnsLookUpItem(), [this] { showInternetTools(InternetToolsPage::DnsLookUp); });
    tray.plugIn(tray.hostLookUpItem(), [this] { showInternetTools(InternetToolsPage::HostLookUp); });
}

void Windows::showInternetTools(InternetToolsPage page)
{
    if (m_quiet || !m_ctx || !m_mainAppForm)
        return;
    if (!m_internetTools)
        m_internetTools = new TInternetToolsForm(*m_ctx, m_mainAppForm.get());
    m_internetTools->setCurrentPage(page);
    bringUp(m_internetTools);
}
