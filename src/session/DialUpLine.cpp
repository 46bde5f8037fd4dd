#include "session/DialUpLine.h"

#include "core/AppContext.h"
#include "platform/InterfaceDialUpNetwork.h"
#include "session/SessionRecordWriter.h"

bool DialUpLine::isKnownLineKind(const QString &lineKind)
{
    if (const std::optional<QString> name = InterfaceLineName(lineKind))
        return InterfaceNameProblem(*name).isEmpty();
    return lineKind.isEmpty() || lineKind == QLatin1String("pppd") || lineKind == QLatin1String("simulated")
        || lineKind == QLatin1String("networkmanager");
}

std::unique_ptr<DialUpLine> DialUpLine::create(AppContext &ctx, const QString &lineKind, Clock &clock, QString *error)
{
    LineSetup setup = createDialUpNetwork(lineKind, ctx.startup.programDirectory, clock);
    if (!setup.error.isEmpty()) {
        *error = setup.error;
        return nullptr;
    }
    return std::unique_ptr<DialUpLine>(new DialUpLine(ctx, std::move(setup)));
}

DialUpLine::DialUpLine(AppContext &ctx, LineSetup setup) : m_ctx(ctx), m_setup(std::move(setup))
{
    m_ctx.platform.dialUp = m_setup.network.get();
    // As the tray form does on creation: the statistics follow the link of
    // the active connection.
    m_ctx.connection.DunSpeed.StartStatistics(m_ctx.platform.dialUp, true, true);
    if (m_setup.control)
        m_setup.control->setStatusReport([this] { return ConnectionFlagsReport(m_ctx); });
}

DialUpLine::~DialUpLine()
{
    if (m_ctx.platform.dialUp == m_setup.network.get())
        m_ctx.platform.dialUp = nullptr;
}

QString ConnectionFlagsReport(const AppContext &ctx)
{
    const ConnectionState &c = ctx.connection;
    auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    const PricingState &p = ctx.pricing;
    return QStringLiteral("OnlineDetected: %1\nModemConnected: %2\nFullyConnected: %3\nConnectedEntryName: %4\n"
                          "SessionOpen: %5\nTotalReceived: %6\nTotalTransmitted: %7\nSessionRecordWritesPending: %8\n")
               .arg(flag(c.OnlineDetected), flag(c.ModemConnected), flag(c.FullyConnected), c.ConnectedEntryName,
                    flag(ctx.shell.SessionOpen))
               .arg(c.TotalReceived)
               .arg(c.TotalTransmitted)
               .arg(flag(SessionRecordWritesPending(ctx)))
        + QStringLiteral("SecondsOnline: %1\nSessionCost: %2\nDailyCost: %3\nAccountCost: %4\nAccountSeconds: %5\n")
              .arg(p.SecondsOnline)
              .arg(p.SessionCost, 0, 'f', 6)
              .arg(p.DailyCost, 0, 'f', 6)
              .arg(p.AccountCost, 0, 'f', 6)
              .arg(p.AccountSeconds);
}
