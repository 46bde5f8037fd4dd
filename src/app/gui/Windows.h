#pragma once

#include "app/gui/MessageBoxUi.h"
#include "core/DateTime.h"
#include "core/TickBoxes.h"
#include "core/Ui.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>

class Clock;
class QDialog;
class DialUpLine;
class SignalWatcher;
class TLoginForm;
class TMainAppForm;
class THelpForm;
class TMainForm;
class TQuickAlarmsForm;
class TEditSessionForm;
class TTipOfTheDayForm;
class TInternetToolsForm;
class TSettingsForm;
enum class InternetToolsPage;
class TTaskBarWindowForm;
class TBillForm;
class TReportForm;
class TSessionPrintForm;
struct AppContext;

// The one owner of the program's windows. It makes each window when it is
// first wanted, keeps one instance of each, knows which modal windows and
// editors are open, and is the Ui the engine talks to: boxes, the tick-box
// rule, the windows the engine raises, help. It also sees the program out:
// a signal, the tray's Exit, the end of the desktop session or a closed
// resident window all end in one tidy-up.
class Windows : public QObject, public Ui
{
    Q_OBJECT

public:
    // lineKind: the --line the resident shell watches.
    Windows(Clock &clock, const QString &lineKind);
    ~Windows() override;

    // Ui
    void showMessage(MessageKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool confirmOkCancel(MessageKind kind, const QString &text) override;
    bool showMessageFromTick(MessageKind kind, const QString &text) override;
    bool confirmFromTick(const QString &text) override;
    void beep() override;
    void showWindow(UiWindow window) override;
    void hideWindow(UiWindow window) override;
    bool editorWindowOpen() const override;
    void showHelp(const QString &keyword) override;
    void startResidentShell(AppContext &ctx) override;
    void endResidentShell() override;

    // Once the program is told to end from outside (a signal, the end of
    // the desktop session) nobody may be there to answer a box and nothing
    // must wait for one: each message becomes one line on stderr, questions
    // answer No and no window opens.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    bool isQuiet() const { return m_quiet; }
    // The line a message becomes: "Tallyline: " and the text on one line.
    static QString logLine(const QString &text);

    // Where the help pages are: the data directory's "help" once the
    // resident shell starts.
    void setHelpDirectory(const QString &directory) { m_helpDirectory = directory; }

    // The session editor for a session of the account window's list, modal
    // and counted as an open editor. Rows that are no session (-1) open nothing.
    void editSession(DateTime day, int session, const QString &connection);

    // A modal editor of the account window (the tariff dialogs), counted as
    // an open editor while it runs.
    void runDialog(QDialog *dialog);

    // The internal error report for a failure that reached the event loop.
    void reportError(std::exception_ptr error);

    // The program is to end: at once when it runs, else as soon as start-up
    // is through (the modal windows of start-up are closed unanswered).
    void requestExit();
    // The same from outside: quiet from here on.
    void requestExitFromOutside();
    bool exitRequested() const { return m_exitRequested; }

    // Runs the program until it ends; every way out closes the session and
    // tidies up exactly once. Returns the exit code.
    int exec(AppContext &ctx);

    // Start-up failed after the resident shell was made, and the context
    // went with it: the windows are let go without their clean-up.
    void abandon();

    // The editors of the account window's pages, modal over it and counted
    // as open editors while they run: a user, an alarm or a session program
    // of the current user (0: a new one).
    void showUserEditor(int user);
    void showAlarmEditor(int alarm);
    void showProgramEditor(int program);

    // The windows, where they exist (for tests).
    TMainAppForm *mainAppForm() const { return m_mainAppForm.get(); }
    TTaskBarWindowForm *monitor() const { return m_monitor.get(); }
    THelpForm *helpWindow() const;
    TLoginForm *loginForm() const;
    TQuickAlarmsForm *quickAlarmsForm() const;
    TMainForm *accountWindow() const;
    TEditSessionForm *editSessionForm() const;
    TTipOfTheDayForm *tipOfTheDayForm() const;
    TInternetToolsForm *internetToolsForm() const;
    TSettingsForm *settingsForm() const;

    // The tools window at one of its pages, as the tray's tool items open it.
    void showInternetTools(InternetToolsPage page);
    TBillForm *billForm() const { return m_bill.get(); }
    TSessionPrintForm *sessionPrintForm() const;
    TReportForm *reportForm() const;
    DialUpLine *line() const { return m_line.get(); }
    const QStringList &tickBoxesShowing() const { return m_tickBoxes.showing(); }

private:
    void showLogin();
    void showQuickAlarms(UiWindow opener);
    void plugInInternetTools(TMainAppForm &tray);
    // mode: a TSettingsForm::Mode.
    void showSettings(int mode);
    void showSplash();
    void showTipOfTheDay();
    void showSetupWizard();
    void showAccountWindow();
    void showInformation(bool contact);
    void showBill(bool endOfPeriod);
    void showSessionPrint();
    void showPrintSetup();
    void showReports();
    void closeStartupDialogOnExit();
    void tidyUp();
    // Runs a modal editor window, counted as open while it runs.
    void runEditor(const std::function<void()> &run);

    Clock &m_clock;
    QString m_lineKind;
    QString m_helpDirectory;
    AppContext *m_ctx = nullptr;
    MessageBoxUi m_boxes;
    TickBoxes m_tickBoxes;
    bool m_quiet = false;

    std::unique_ptr<DialUpLine> m_line;
    std::unique_ptr<TMainAppForm> m_mainAppForm;
    std::unique_ptr<TTaskBarWindowForm> m_monitor;
    QPointer<THelpForm> m_help;
    QPointer<TLoginForm> m_login;
    QPointer<TQuickAlarmsForm> m_quickAlarms;
    QPointer<TMainForm> m_accountWindow;
    bool m_startupTipShown = false;
    QPointer<TEditSessionForm> m_editSession;
    QPointer<TTipOfTheDayForm> m_tipOfTheDay;
    // Made when first wanted and kept, with its log, as long as the tray form.
    QPointer<TInternetToolsForm> m_internetTools;
    std::unique_ptr<TBillForm> m_bill;
    QPointer<TSessionPrintForm> m_sessionPrint;
    QPointer<TReportForm> m_report;
    QPointer<TSettingsForm> m_settings;
    int m_editorsOpen = 0;

    std::unique_ptr<SignalWatcher> m_signals;
    QTimer m_startupExitWatch;
    bool m_exitRequested = false;
    bool m_running = false;
    bool m_tidied = false;
};
