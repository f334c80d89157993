#include "core/memory_estimate.h"

#include "support/aligned_alloc.h"
#include "core/hue_histogram.h"
#include "core/target.h"
#include "core/tracker_sizing.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

TrackerMemory trackerMemory(int64_t targets, int samplesPerTarget)
{
    // The store has a block per target, at least kStandardTargetCount (as
    // a tracking session asks for), and one joint-pool state per block.
    const uint64_t blocks = static_cast<uint64_t>(std::max<int64_t>(targets, kStandardTargetCount));
    const uint64_t slots = blocks * static_cast<uint64_t>(std::max(samplesPerTarget, 0));
    const uint64_t sampleBytes = align32(slots * sizeof(Sample));
    const uint64_t noiseBytes = align32(slots * sizeof(float));
    const uint64_t referenceBytes = align32(slots * sizeof(Sample*));
    TrackerMemory m;
    m.store = (sampleBytes + 2 * 32 + 2 * noiseBytes) + (sampleBytes + referenceBytes) + align32(blocks * sizeof(uint64_t));
    m.perTarget = sizeof(Target) + align32((uint64_t{kStandardTableMask} + 1) * sizeof(Sample*)) +
                  blocks * sizeof(Target*) + 2 * align32(kHueBinCount * sizeof(float));
    m.total = m.store + static_cast<uint64_t>(std::max<int64_t>(targets, 0)) * m.perTarget;
    return m;
}

uint64_t physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

std::optional<std::string> memoryRefusal(int64_t targets, int samplesPerTarget, uint64_t available)
{
    const TrackerMemory m = trackerMemory(targets, samplesPerTarget);
    if (available == 0 || m.total <= available)
        return std::nullopt;
    return "the run needs about " + byteCount(m.total) + " of memory for " + std::to_string(targets) +
           " targets of " + std::to_string(samplesPerTarget) + " samples (" + byteCount(m.perTarget) +
           " per target besides the sample store), but the machine has " + byteCount(available);
}

std::string byteCount(uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < (uint64_t{1} << 30))
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%.1f GiB", bytes / 1073741824.0);
    return text;
}

