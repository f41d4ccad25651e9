#pragma once

#include <sys/resource.h>

namespace stowfolio::bench {

// The most memory this process has held so far, in megabytes.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace stowfolio::bench
