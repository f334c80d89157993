#include "core/tick_source.h"

#include <opencv2/core/core_c.h>

#include <chrono>
#include <random>
#include <thread>

int64_t SystemTickSource::readTicks() { return cvGetTickCount(); }

void SystemTickSource::sleepMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TickSource& systemTickSource()
{
    static SystemTickSource source;
    return source;
}

int64_t drawSeed()
{
    std::random_device entropy;
    static_assert(sizeof(std::random_device::result_type) >= 4, "each draw gives 32 bits");
    const uint64_t high = entropy() & 0xFFFFFFFFu;
    const uint64_t low = entropy() & 0xFFFFFFFFu;
    return static_cast<int64_t>(high << 32 | low);
}
