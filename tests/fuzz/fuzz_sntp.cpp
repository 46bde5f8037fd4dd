// The time server's reply to our request, and the server text of the settings.
#include "sntp/SntpReply.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 8)
        return 0;
    // Our request's transmit stamp, then the reply as received.
    unsigned char request[48] = {};
    request[0] = 4 << 3 | 3;
    std::memcpy(request + 40, data, 8);
    const std::vector<unsigned char> reply(data + 8, data + size);
    const double sentAt = 1.8e9;
    double offset = 0;
    if (ReadSntpReply(request, reply.data(), reply.size(), sentAt, sentAt + 0.25, offset) && !std::isfinite(offset))
        std::abort();

    const std::string host(reinterpret_cast<const char *>(data), size);
    std::string name;
    std::string port;
    if (SplitSntpHost(host.c_str(), name, port) && (name.empty() || port.empty()))
        std::abort();
    return 0;
}
