#pragma once

#include "core/Ui.h"

#include <QList>
#include <QMap>
#include <QQueue>
#include <QStringList>

#include <functional>

// A Ui that remembers every box and answers confirmations from a script
// (then with defaultAnswer). Used by tests and by headless runs.
class RecordingUi : public Ui
{
public:
    struct Message {
        MessageKind kind;
        QString text;
    };

    void showMessage(MessageKind kind, const QString &text) override
    {
        messages.append({kind, text});
        if (onMessage)
            onMessage(messages.last());
    }
    bool confirm(const QString &text) override
    {
        messages.append({MessageKind::Confirmation, text});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }

    void beep() override { ++beeps; }
    bool accountWindowExists() const override { return accountWindowOpen; }
    void setAccountStatusText(int panel, const QString &text) override { statusPanels[panel] = text; }
    void updateLiveRows(const LiveSessionRow &session, const LivePerformanceRow &performance) override
    {
        liveSessionRows.append(session);
        livePerformanceRows.append(performance);
    }
    void refreshAccountPeriods() override { ++accountPeriodRefreshes; }
    void showEndOfPeriodBill() override { ++endOfPeriodBills; }
    void showFloatingMonitor() override
    {
        ++floatingMonitorShows;
        floatingMonitorVisible = true;
    }
    void hideFloatingMonitor() override { floatingMonitorVisible = false; }
    void showLoginForm() override
    {
        ++loginFormShows;
        if (onShowLoginForm)
            onShowLoginForm();
    }
    void showHelp(const QString &keyword) override { helpTopics.append(keyword); }

    QStringList texts() const
    {
        QStringList list;
        for (const Message &m : messages)
            list.append(m.text);
        return list;
    }

    QList<Message> messages;
    QQueue<bool> answers;
    bool defaultAnswer = false;

    int beeps = 0;
    bool accountWindowOpen = false;   // what accountWindowExists answers
    QMap<int, QString> statusPanels;  // last text of each status bar panel
    QList<LiveSessionRow> liveSessionRows;
    QList<LivePerformanceRow> livePerformanceRows;
    int accountPeriodRefreshes = 0;
    int endOfPeriodBills = 0;
    int floatingMonitorShows = 0;
    bool floatingMonitorVisible = false;
    int loginFormShows = 0;
    std::function<void()> onShowLoginForm;  // stands in for the dialog's answer
    // Runs while a box "waits": what happens meanwhile (timer ticks).
    std::function<void(const Message &)> onMessage;
    QStringList helpTopics;
};
