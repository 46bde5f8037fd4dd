#pragma once

// The library's own steps, for its tests; not part of its C calls.

#include <cstddef>
#include <string>

// Splits "name", "name:port", "[v6]" or "[v6]:port" (port "123" when none
// is given). False for text that names no host.
bool SplitSntpHost(const char *text, std::string &name, std::string &port);

// Checks a server's reply (size bytes) to the 48-byte request we sent: a
// server's answer, synchronised, quoting our transmit stamp. Then offset is
// this clock's offset from the server's in seconds, from our send and
// receive moments (seconds since 1970).
bool ReadSntpReply(const unsigned char *request, const unsigned char *reply, std::size_t size, double sentAt,
                   double receivedAt, double &offset);
