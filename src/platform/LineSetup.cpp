#include "platform/LineSetup.h"

#include "platform/InterfaceDialUpNetwork.h"
#include "platform/NetworkManagerDialUpNetwork.h"
#include "platform/PppdDialUpNetwork.h"
#include "platform/SimulatedDialUpNetwork.h"

QCommandLineOption LineCommandLineOption()
{
    return QCommandLineOption(QStringLiteral("line"),
                              QStringLiteral("The dial-up line to watch: pppd (default), networkmanager, simulated, or "
                                             "interface:NAME for any network interface (wwan0, usb0, ...)."),
                              QStringLiteral("KIND"), QStringLiteral("pppd"));
}

QString UnknownLineMessage(const QString &lineKind)
{
    if (const std::optional<QString> name = InterfaceLineName(lineKind))
        return InterfaceNameProblem(*name);
    return QStringLiteral("Unknown line \"%1\": use --line pppd, --line networkmanager, --line simulated or "
                          "--line interface:NAME.")
        .arg(lineKind);
}

// The system bus, where NetworkManager lives; tests name a bus of their own
// in TALLYLINE_NETWORKMANAGER_BUS.
static QDBusConnection networkManagerBus()
{
    const QString address = qEnvironmentVariable("TALLYLINE_NETWORKMANAGER_BUS");
    if (address.isEmpty())
        return QDBusConnection::systemBus();
    // Qt gives back the connection it has under a name, whatever the address.
    return QDBusConnection::connectToBus(address, QStringLiteral("tallyline-networkmanager ") + address);
}

LineSetup createDialUpNetwork(const QString &lineKind, const QString &dataDirectory, Clock &clock)
{
    LineSetup setup;
    if (lineKind.isEmpty() || lineKind == QLatin1String("pppd")) {
        setup.network = std::make_unique<PppdDialUpNetwork>();
        return setup;
    }
    if (const std::optional<QString> name = InterfaceLineName(lineKind)) {
        if (!InterfaceNameProblem(*name).isEmpty())
            setup.error = UnknownLineMessage(lineKind);
        else
            setup.network = std::make_unique<InterfaceDialUpNetwork>(*name);
        return setup;
    }
    if (lineKind == QLatin1String("networkmanager")) {
        auto networkManager = std::make_unique<NetworkManagerDialUpNetwork>(networkManagerBus());
        setup.warning = networkManager->unavailableReason();
        setup.network = std::move(networkManager);
        return setup;
    }
    if (lineKind != QLatin1String("simulated")) {
        setup.error = UnknownLineMessage(lineKind);
        return setup;
    }
    auto simulated = std::make_unique<SimulatedDialUpNetwork>(clock);
    setup.simulated = simulated.get();
    setup.control = std::make_unique<LineControlServer>(*simulated, LineControl::socketName(dataDirectory));
    if (!setup.control->listen())
        setup.warning = QStringLiteral("tallyline-line cannot reach this program: %1").arg(setup.control->errorString());
    setup.network = std::move(simulated);
    return setup;
}
