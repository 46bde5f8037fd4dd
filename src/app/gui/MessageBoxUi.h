#pragma once

#include "core/Ui.h"

#include <functional>

class QWidget;

// The program's message boxes: modal, titled "Tallyline".
class MessageBoxUi : public Ui
{
public:
    explicit MessageBoxUi(QWidget *parent = nullptr) : m_parent(parent) {}

    void showMessage(MessageKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool confirmOkCancel(MessageKind kind, const QString &text) override;
    void beep() override;
    void showLoginForm() override
    {
        if (m_loginForm)
            m_loginForm();
    }

    // What shows the login dialog (it needs the application context).
    void setLoginFormHandler(std::function<void()> handler) { m_loginForm = std::move(handler); }

    void showFloatingMonitor() override
    {
        if (m_showMonitor)
            m_showMonitor();
    }
    void hideFloatingMonitor() override
    {
        if (m_hideMonitor)
            m_hideMonitor();
    }
    // What shows and hides the floating session monitor (a resident window).
    void setFloatingMonitorHandlers(std::function<void()> show, std::function<void()> hide)
    {
        m_showMonitor = std::move(show);
        m_hideMonitor = std::move(hide);
    }

    // The help window, over the pages in the help directory.
    void showHelp(const QString &keyword) override;
    void setHelpDirectory(const QString &directory) { m_helpDirectory = directory; }

    // The program's texts break lines with a carriage return.
    static QString displayText(const QString &text);

private:
    QWidget *m_parent;
    std::function<void()> m_loginForm;
    std::function<void()> m_showMonitor;
    std::function<void()> m_hideMonitor;
    QString m_helpDirectory;
};
