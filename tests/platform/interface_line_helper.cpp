// A child process for the interface line tests, run without CAP_NET_ADMIN.
//   interface_line_helper hangup NAME
// Watches the interface line NAME and hangs up its connection the way the
// tray's "Hang Up" does (HangUpAllConnections). Prints
//   capability: yes|no      whether this process holds CAP_NET_ADMIN
//   connections: N          what the line showed before the hang-up
//   result: 1|0             what HangUpAllConnections returned
//   box: TEXT               each box the user would have seen
//   online: 1|0             the connection flags after it
//   interface_line_helper dial NAME
// Dials NAME; prints the capability line and
//   dial: CODE TEXT         what dial() returned and the text of that code
// Exits 0, or 2 when it cannot run.
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "platform/InterfaceDialUpNetwork.h"
#include "session/DialUp.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <linux/capability.h>

namespace {

bool holdsNetAdmin()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith("CapEff:"))
            continue;
        bool ok = false;
        const qulonglong effective = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && (effective & (1ULL << CAP_NET_ADMIN));
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString mode = argc == 3 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode != QLatin1String("hangup") && mode != QLatin1String("dial")) {
        out << "usage: interface_line_helper hangup|dial NAME\n";
        return 2;
    }
    QTemporaryDir dir;
    const auto store = Store::open(dir.filePath(QStringLiteral("tallyline.db")));
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    ui.tickBoxes.setTimerSwitch(&ctx.shell.Timer1Enabled);
    InterfaceDialUpNetwork network(QString::fromLocal8Bit(argv[2]));
    ctx.platform.dialUp = &network;
    ctx.connection.OnlineDetected = ctx.connection.ModemConnected = ctx.connection.FullyConnected = true;

    out << "capability: " << (holdsNetAdmin() ? "yes" : "no") << '\n';
    if (mode == QLatin1String("dial")) {
        qint64 handle = 0;
        const int code = network.dial(network.interfaceName(), &handle);
        out << "dial: " << code << ' ' << network.errorText(code) << '\n';
        return 0;
    }
    out << "connections: " << network.connections().size() << '\n';
    out << "result: " << (HangUpAllConnections(ctx) ? 1 : 0) << '\n';
    for (const RecordingUi::Message &m : std::as_const(ui.messages))
        out << "box: " << m.text << '\n';
    out << "online: " << (ctx.connection.OnlineDetected ? 1 : 0) << '\n';
    return 0;
}
