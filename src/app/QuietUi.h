#pragma once

#include "core/Ui.h"

// The Ui the engine talks to: the screen's, until the program is told to end
// by a signal or by the end of the desktop session. From then on nobody may
// be there to answer a box and nothing must wait for one: each message
// becomes one line on stderr, questions answer No, and no window opens.
class QuietUi : public Ui
{
public:
    explicit QuietUi(Ui &screen) : m_screen(screen) {}

    void setQuiet(bool quiet) { m_quiet = quiet; }
    bool isQuiet() const { return m_quiet; }

    void showMessage(MessageKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool confirmOkCancel(MessageKind kind, const QString &text) override;
    void beep() override;
    void showEndOfPeriodBill() override;
    void showLoginForm() override;
    void showHelp(const QString &keyword) override;
    void showMainForm() override;

    bool accountWindowExists() const override { return m_screen.accountWindowExists(); }
    void setAccountStatusText(int panel, const QString &text) override { m_screen.setAccountStatusText(panel, text); }
    void updateLiveRows(const LiveSessionRow &session, const LivePerformanceRow &performance) override
    {
        m_screen.updateLiveRows(session, performance);
    }
    void refreshAccountPeriods() override { m_screen.refreshAccountPeriods(); }
    void showFloatingMonitor() override;
    void hideFloatingMonitor() override { m_screen.hideFloatingMonitor(); }
    bool editorWindowOpen() const override { return m_screen.editorWindowOpen(); }

    // The line a message becomes: "Tallyline: " and the text on one line.
    static QString logLine(const QString &text);

private:
    Ui &m_screen;
    bool m_quiet = false;
};
