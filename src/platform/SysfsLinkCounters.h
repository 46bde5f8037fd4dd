#pragma once

#include "platform/DialUpNetwork.h"

#include <QString>

#include <optional>

// The text of a small file of the kernel's (sysfs, /proc, a pid file): at
// most 64 KiB, empty when it cannot be read.
QByteArray ReadSmallSystemFile(const QString &path);

// The byte counters and speed the kernel keeps for a network interface in
// sysfsNetRoot/NAME (statistics/rx_bytes, statistics/tx_bytes, speed);
// none when the interface is not there or the name is not a plain name.
std::optional<LinkCounters> ReadSysfsLinkCounters(const QString &sysfsNetRoot, const QString &interfaceName);
