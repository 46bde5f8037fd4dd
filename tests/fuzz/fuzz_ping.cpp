// A packet read from the ICMP socket while waiting for our echo's answer.
#include "tools/Ping.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const bool raw = data[0] & 1;
    const quint16 id = quint16(data[1] << 8 | data[2]);
    const quint16 sequence = quint16(data[3] << 8 | data[4]);
    const size_t n = size - 5;
    const std::unique_ptr<quint32[]> storage(new quint32[n / 4 + 1]);
    auto *packet = reinterpret_cast<unsigned char *>(storage.get());
    if (n)
        std::memcpy(packet, data + 5, n);
    const EchoAnswer answer = ReadEchoAnswer(packet, n, raw, id, sequence);
    if (answer.kind == EchoAnswer::Reply && answer.dataSize > n)
        std::abort();
    return 0;
}
