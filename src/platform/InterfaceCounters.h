#pragma once

#include "platform/DialUpNetwork.h"

#include <optional>

// The byte counters and speed of a network interface, from the kernel's
// statistics under sysfsNetRoot (/sys/class/net): none when the interface or
// its statistics are not there, or when the name could leave that folder.
std::optional<LinkCounters> ReadInterfaceCounters(const QString &sysfsNetRoot, const QString &interfaceName);
