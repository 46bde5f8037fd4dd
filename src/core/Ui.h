#pragma once

#include <QString>

// The texts of the open session's rows in the account window's lists, ready
// to show. sessionDay is the session's date in the short date format; the
// window updates its live row only when that row's date column equals it.
struct LiveSessionRow {
    QString sessionDay;
    QString startTime, endTime, timeOnline, sessionCost;
    QString dailyTime, dailyCost, accountTime, accountCost;
};

struct LivePerformanceRow {
    QString sessionDay;
    QString startTime, timeOnline;
    QString received, transmitted, averageReceiveRate, averageTransmitRate;
    QString dailyDownloaded, accountDownloaded;
};

// The kinds of modal message box the program shows.
// Plain is a box without an icon.
enum class MessageKind { Warning, Error, Information, Confirmation, Plain };

// What the engine needs from the screen: boxes that must be answered or seen
// now, and the windows it has to raise. The GUI implements it; tests use
// RecordingUi, which records every call and scripts the answers.
class Ui
{
public:
    virtual ~Ui() = default;

    // A box with an OK button.
    virtual void showMessage(MessageKind kind, const QString &text) = 0;
    // A Yes/No confirmation; true only for Yes.
    virtual bool confirm(const QString &text) = 0;

    // A short warning sound.
    virtual void beep() {}

    // The account information window: whether it exists, its status bar
    // panels (1-based), the blinking live rows of the open session, and the
    // refill of its period selectors and lists after a new account period.
    virtual bool accountWindowExists() const { return false; }
    virtual void setAccountStatusText(int panel, const QString &text) {}
    virtual void updateLiveRows(const LiveSessionRow &session, const LivePerformanceRow &performance) {}
    virtual void refreshAccountPeriods() {}

    // The bill, modally, with its "end of your account period" line shown.
    virtual void showEndOfPeriodBill() {}

    // The floating session monitor: shown with its text cleared and kept on
    // top while a session is open (when the settings ask for it), hidden
    // when the session closes.
    virtual void showFloatingMonitor() {}
    virtual void hideFloatingMonitor() {}

    // The login dialog: brought up when it is already open, otherwise shown
    // modally until it closes.
    virtual void showLoginForm() {}

    // Whether a window is open that the tray must not open others over (the
    // editors, the bill, the wizard, the report window); each such window
    // answers for itself once it exists.
    virtual bool editorWindowOpen() const { return false; }

    // The help window at the topic of a keyword ("IDH_login_window").
    virtual void showHelp(const QString &keyword) {}

    // A box with OK and Cancel buttons; true only for OK.
    virtual bool confirmOkCancel(MessageKind kind, const QString &text)
    {
        Q_UNUSED(kind);
        return confirm(text);
    }

    // The account information window (ShowMainForm).
    virtual void showMainForm() {}
};
