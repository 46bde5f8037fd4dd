#pragma once

#include <QString>

#include <functional>

struct AppContext;

// Components the engine drives without knowing them: the dial-up component
// and the ping of the tray, the clock correction. Whoever owns one fills in
// its entries; an empty hook does nothing.
struct AppHooks {
    using Action = std::function<void(AppContext &)>;

    Action closeSession;          // closes the open session, if any
    Action hangUpAllConnections;  // forgets a pending reconnection and hangs up every line

    std::function<void(AppContext &, const QString &)> dialEntry;  // dials a phone-book entry
    Action startDialUpStatistics;  // the dial-up component starts its adapter statistics
    Action sendKeepAliveEcho;      // one echo to the keep-alive address
    Action getTimeFromServer;      // one clock correction; sets ctx.shell.ClockCorrected

    static void call(const Action &hook, AppContext &ctx)
    {
        if (hook)
            hook(ctx);
    }
};
