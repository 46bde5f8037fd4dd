#include "platform/InterfaceCounters.h"

#include <QFile>

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(4096);
}

} // namespace

std::optional<LinkCounters> ReadInterfaceCounters(const QString &sysfsNetRoot, const QString &interfaceName)
{
    if (interfaceName.isEmpty() || interfaceName.contains(QLatin1Char('/')) || interfaceName.startsWith(QLatin1Char('.'))
        || interfaceName.contains(QChar(0)))
        return std::nullopt;
    const QString base = sysfsNetRoot + QLatin1Char('/') + interfaceName;
    bool rxOk = false;
    bool txOk = false;
    LinkCounters counters;
    counters.receivedBytes = readSmallFile(base + QStringLiteral("/statistics/rx_bytes")).trimmed().toLongLong(&rxOk);
    counters.transmittedBytes = readSmallFile(base + QStringLiteral("/statistics/tx_bytes")).trimmed().toLongLong(&txOk);
    if (!rxOk || !txOk)
        return std::nullopt;
    bool speedOk = false;
    const qint64 megabits = readSmallFile(base + QStringLiteral("/speed")).trimmed().toLongLong(&speedOk);
    counters.speed = speedOk && megabits > 0 ? megabits * 1000000 : 0;
    return counters;
}
