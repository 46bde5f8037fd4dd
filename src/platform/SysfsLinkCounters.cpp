#include "platform/SysfsLinkCounters.h"

#include <QFile>

namespace {

// Nothing outside the interface's own folder may be read through its name.
bool isPlainInterfaceName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.'))
        && !name.startsWith(QLatin1Char('-')) && !name.contains(QChar(0));
}

} // namespace

QByteArray ReadSmallSystemFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(64 * 1024);
}

std::optional<LinkCounters> ReadSysfsLinkCounters(const QString &sysfsNetRoot, const QString &interfaceName)
{
    if (!isPlainInterfaceName(interfaceName))
        return std::nullopt;
    const QString base = sysfsNetRoot + QLatin1Char('/') + interfaceName;
    bool rxOk = false;
    bool txOk = false;
    LinkCounters counters;
    counters.receivedBytes = ReadSmallSystemFile(base + QStringLiteral("/statistics/rx_bytes")).trimmed().toLongLong(&rxOk);
    counters.transmittedBytes = ReadSmallSystemFile(base + QStringLiteral("/statistics/tx_bytes")).trimmed().toLongLong(&txOk);
    if (!rxOk || !txOk)
        return std::nullopt;
    bool speedOk = false;
    const qint64 megabits = ReadSmallSystemFile(base + QStringLiteral("/speed")).trimmed().toLongLong(&speedOk);
    counters.speed = speedOk && megabits > 0 ? megabits * 1000000 : 0;
    return counters;
}
