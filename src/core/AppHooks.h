#pragma once

#include <QString>

#include <functional>

struct AppContext;

// What start-up and exit ask of windows and procedures that live elsewhere.
// The tray form, the login, splash and wizard windows and the dial-up layer
// fill these in; an empty hook does nothing.
struct AppHooks {
    using Action = std::function<void(AppContext &)>;

    // The resident windows, the tray form first.
    Action createResidentWindows;
    Action addTrayIcon;
    Action removeTrayIcon;

    Action logOutUser;
    Action loginUser;  // logs ctx.login.CurrentUser in without asking
    Action showLoginForm;
    Action showSplashForm;
    Action showWizardForm;

    // Sets the keep-alive ping address from the settings.
    Action setKeepAlivePingAddress;
    // Width of the floating monitor window; unset means the default width.
    std::function<int(AppContext &)> monitorWindowWidth;
    // Moves the floating monitor window to settings.TaskBarWindowX / Y.
    Action moveMonitorWindow;

    Action closeSession;          // closes the open session, if any
    Action hangUpAllConnections;  // forgets a pending reconnection and hangs up every line

    // Plug-in points of the main tick for components that arrive later.
    Action hideDialWindow;         // hides the dial window when it is visible
    std::function<void(AppContext &, const QString &)> dialEntry;  // dials a phone-book entry
    Action startDialUpStatistics;  // the dial-up component starts its adapter statistics
    Action sendKeepAliveEcho;      // one echo with the keep-alive ping component
    Action getTimeFromServer;      // one clock correction; sets ctx.shell.ClockCorrected

    static void call(const Action &hook, AppContext &ctx)
    {
        if (hook)
            hook(ctx);
    }
};
