// One rtnetlink datagram of link and address notifications.
#include "platform/LinkWatcher.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size, aligned copy, as the socket read fills it.
    const std::unique_ptr<long[]> storage(new long[size / sizeof(long) + 1]);
    char *buffer = reinterpret_cast<char *>(storage.get());
    if (size)
        std::memcpy(buffer, data, size);
    for (const LinkMessage &m : ReadLinkMessages(buffer, size)) {
        if (m.kind == LinkMessage::Address && !m.name.isEmpty())
            std::abort();
    }
    return 0;
}
