#include "support/tick_source.h"

#include <opencv2/core/core_c.h>

#include <chrono>
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
