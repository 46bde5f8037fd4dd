#pragma once

#include <QString>

struct AppContext;

// The kinds of modal message box the program shows.
// Plain is a box without an icon.
enum class MessageKind { Warning, Error, Information, Confirmation, Plain };

// The windows the engine raises by name.
enum class UiWindow {
    AccountInformation,  // ShowMainForm
    Login,               // brought up when open, otherwise modal until it closes
    Splash,              // modal, closes by itself
    SetupWizard,         // modal; a cancelled first run ends the program
    EndOfPeriodBill,     // the bill, modally, with its "end of your account period" line
    FloatingMonitor,     // the session monitor, kept on top while a session is open
    OnlineTimeAlarm,     // the quick alarm dialog on its "online time" page
    SpecificTimeAlarm,   // the quick alarm dialog on its "specific time" page
    TipOfTheDay,         // ShowTipOfTheDayForm: modal, one instance
    InternetTools,       // the tools window, on the page it showed last
    AccountBill,         // the bill, modally, without the end-of-period line
    SessionPrint,        // ShowSessionPrintForm: the printout dialog, modal
    PrintSetup,          // the printer set-up of the session printout
    Reports,             // ShowReportForm: the graph reports, modal
    Settings,            // ShowSettingsForm: the settings dialog, modal
    ReportSettings,      // the settings dialog on its report pages only ("&Graph Setup")
};

// What the engine needs from the screen: boxes that must be answered or seen
// now, and the windows it has to raise. Everything that merely happened goes
// out as EngineEvents. The GUI (Windows) implements it; tests use
// RecordingUi, which records every call and scripts the answers.
class Ui
{
public:
    virtual ~Ui() = default;

    // A box with an OK button.
    virtual void showMessage(MessageKind kind, const QString &text) = 0;
    // A Yes/No confirmation; true only for Yes.
    virtual bool confirm(const QString &text) = 0;
    // A box with OK and Cancel buttons; true only for OK.
    virtual bool confirmOkCancel(MessageKind kind, const QString &text)
    {
        Q_UNUSED(kind);
        return confirm(text);
    }

    // A box raised from a timer tick. The ticks go on while it waits, and a
    // box whose text is already up is not stacked again: then nothing is
    // shown and the call returns false (confirmFromTick answers No).
    virtual bool showMessageFromTick(MessageKind kind, const QString &text)
    {
        showMessage(kind, text);
        return true;
    }
    virtual bool confirmFromTick(const QString &text) { return confirm(text); }

    // A short warning sound.
    virtual void beep() {}

    // Shows a window; a modal one returns when it closes.
    virtual void showWindow(UiWindow window) { Q_UNUSED(window); }
    virtual void hideWindow(UiWindow window) { Q_UNUSED(window); }

    // Whether a window is open that the tray must not open others over (the
    // editors, the bill, the wizard, the report window).
    virtual bool editorWindowOpen() const { return false; }

    // The help window at the topic of a keyword ("IDH_login_window").
    virtual void showHelp(const QString &keyword) { Q_UNUSED(keyword); }

    // The resident shell: the tray icon and the windows that live as long
    // as the program, made once the context is ready (before the log-in),
    // and the tray icon taken away at the end.
    virtual void startResidentShell(AppContext &ctx) { Q_UNUSED(ctx); }
    virtual void endResidentShell() {}
};
