#include "platform/LineSetup.h"

#include "platform/PppdDialUpNetwork.h"
#include "platform/SimulatedDialUpNetwork.h"

QCommandLineOption LineCommandLineOption()
{
    return QCommandLineOption(QStringLiteral("line"),
                              QStringLiteral("The dial-up line to watch: pppd (default) or simulated."),
                              QStringLiteral("KIND"), QStringLiteral("pppd"));
}

QString UnknownLineMessage(const QString &lineKind)
{
    return QStringLiteral("Unknown line \"%1\": use --line pppd or --line simulated.").arg(lineKind);
}

LineSetup createDialUpNetwork(const QString &lineKind, const QString &dataDirectory, Clock &clock)
{
    LineSetup setup;
    if (lineKind.isEmpty() || lineKind == QLatin1String("pppd")) {
        setup.network = std::make_unique<PppdDialUpNetwork>();
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
