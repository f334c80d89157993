#include "support/aligned_alloc.h"

#include <opencv2/core/core_c.h>
#include <opencv2/core.hpp>

void* allocateAligned(size_t bytes)
{
    try {
        return cvAlloc(bytes);
    } catch (const cv::Exception&) {
        return nullptr;
    }
}

void releaseAligned(void* block)
{
    if (block)
        cvFree(&block);
}
