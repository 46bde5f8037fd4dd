#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

// Processor time of this thread in microseconds: what the work costs, less
// disturbed by other processes on a busy machine than the elapsed time.
inline double threadCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace bench
