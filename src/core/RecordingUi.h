#pragma once

#include "core/AppContext.h"
#include "core/TickBoxes.h"
#include "core/Ui.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// A Ui that remembers every box and window and answers confirmations from a
// script (then with defaultAnswer). Boxes from ticks follow the same rule as
// on the screen once the resident shell is started. Used by tests and by
// headless runs.
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
    bool showMessageFromTick(MessageKind kind, const QString &text) override
    {
        return tickBoxes.raise(text, [&] { showMessage(kind, text); });
    }
    bool confirmFromTick(const QString &text) override
    {
        bool answer = false;
        return tickBoxes.raise(text, [&] { answer = confirm(text); }) && answer;
    }

    void beep() override { ++beeps; }
    void showWindow(UiWindow window) override
    {
        shownWindows.append(window);
        if (window == UiWindow::FloatingMonitor)
            floatingMonitorVisible = true;
        if (onShowWindow)
            onShowWindow(window);
    }
    void hideWindow(UiWindow window) override
    {
        if (window == UiWindow::FloatingMonitor)
            floatingMonitorVisible = false;
    }
    bool editorWindowOpen() const override { return editorOpen; }
    void showHelp(const QString &keyword) override { helpTopics.append(keyword); }
    void startResidentShell(AppContext &ctx) override
    {
        ++residentShellStarts;
        tickBoxes.setTimerSwitch(&ctx.shell.Timer1Enabled);
        if (onStartResidentShell)
            onStartResidentShell(ctx);
    }
    void endResidentShell() override
    {
        ++residentShellEnds;
        if (onEndResidentShell)
            onEndResidentShell();
    }

    QStringList texts() const
    {
        QStringList list;
        for (const Message &m : messages)
            list.append(m.text);
        return list;
    }
    // How often a window was asked for.
    int shows(UiWindow window) const { return int(shownWindows.count(window)); }

    QList<Message> messages;
    QQueue<bool> answers;
    bool defaultAnswer = false;
    TickBoxes tickBoxes;

    int beeps = 0;
    QList<UiWindow> shownWindows;
    bool floatingMonitorVisible = false;
    bool editorOpen = false;  // what editorWindowOpen answers
    int residentShellStarts = 0;
    int residentShellEnds = 0;
    // Stands in for what a window does while it is up (the login dialog's answer).
    std::function<void(UiWindow)> onShowWindow;
    // Runs while a box "waits": what happens meanwhile (timer ticks).
    std::function<void(const Message &)> onMessage;
    std::function<void(AppContext &)> onStartResidentShell;
    std::function<void()> onEndResidentShell;
    QStringList helpTopics;
};
