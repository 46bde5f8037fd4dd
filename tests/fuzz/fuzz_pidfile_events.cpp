// inotify events of the pid-file folders, as read(2) hands them over.
#include "platform/PidFileWatcher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // An exact-size copy, so that reading past the end is caught.
    const std::vector<char> buffer(data + 1, data + size);
    PidFileEvents events;
    ReadPidFileEvents(buffer.data(), buffer.size(), data[0] & 3, events);
    return 0;
}
