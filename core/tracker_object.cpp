#include "core/tavo.h"

#include "support/aligned_alloc.h"

#include <climits>
#include <cstring>
#include <new>
#include <system_error>

tavo::tavo() : tavo(systemTickSource()) {}

tavo::tavo(TickSource& ticks) : ticks_(&ticks)
{
    cvInitFont(&labelFont, CV_FONT_HERSHEY_PLAIN, 1.0, 1.0, 0.0, 1, 8);
    cvGetTextSize("A", &labelFont, &labelSize, nullptr);
}

tavo::~tavo()
{
    targets.clear();
    releaseStore();
}

void tavo::releaseStore()
{
    releaseAligned(scratchBlock);
    releaseAligned(sampleBlock);
    scratchBlock = sampleBlock = nullptr;
}

void tavo::discardStore()
{
    releaseStore();
    samples = windowSamples = scratchSamples = windowScratch = nullptr;
    sampleRefs = windowRefs = nullptr;
    noiseBase = noiseWindow = nullptr;
    sampleBlockBytes = 0;
    sampleCapacity = 0;
    windowStart = -1;
}

int tavo::init(CvMat* plane, int samplesPerTargetCount, int targetCount)
{
    if (!plane)
        return 0;
    // A store is built once: a later init keeps it and still succeeds.  A
    // tracker left without any store is refused.
    if (!configure(samplesPerTargetCount, targetCount, kStandardTableMask) && sampleCapacity == 0)
        return 0;
    defaultSampleCount = samplesPerTargetCount;
    frameWidth = static_cast<float>(plane->cols);
    frameHeight = static_cast<float>(plane->rows);
    return 1;
}

int tavo::configure(int perTarget, int targetCount, int mask)
{
    // The mask must be 2^k - 1 with k < 31, so that the mask + 1 entries of
    // a sampling table can be counted; counts must be positive, and their
    // product is the slot count of the store.
    if (mask < 0 || mask == INT_MAX || (mask & (mask + 1)) != 0)
        return 0;
    if (perTarget < 1 || targetCount < 1)
        return 0;
    const int64_t slots = static_cast<int64_t>(perTarget) * targetCount;
    if (slots > INT_MAX || !buildStore(static_cast<int>(slots)))
        return 0;
    // One joint-pool state per target: without them no target can be added.
    if (!jointPool.seed(targetCount, *ticks_)) {
        discardStore();
        return 0;
    }
    tableMask = mask;
    samplesPerTarget = perTarget;
    maxTargets = targetCount;
    defaultSampleCount = perTarget;
    return 1;
}

int tavo::buildStore(int n)
{
    if (n <= 0 || sampleCapacity != 0)
        return 0;
    const size_t sampleBytes = align32(static_cast<size_t>(n) * sizeof(Sample));
    const size_t noiseBytes = align32(static_cast<size_t>(n) * sizeof(float));
    const size_t blockBytes = sampleBytes + 64 + 2 * noiseBytes;
    const size_t scratchBytes = sampleBytes + align32(static_cast<size_t>(n) * sizeof(Sample*));
    // The byte count is kept as a 32-bit number: refuse stores beyond it.
    if (blockBytes > static_cast<size_t>(INT_MAX))
        return 0;

    sampleCapacity = n;
    noisePool.seed(2, *ticks_);

    sampleBlock = allocateAligned(blockBytes);
    if (!sampleBlock) {
        sampleCapacity = 0;
        return 0;
    }
    std::memset(sampleBlock, 0, blockBytes);
    char* base = static_cast<char*>(sampleBlock);
    samples = reinterpret_cast<Sample*>(base);
    for (int i = 0; i < n; ++i)
        new (&samples[i]) Sample();
    windowSamples = samples;
    noiseBase = reinterpret_cast<NoiseArrays*>(base + sampleBytes);
    noiseWindow = reinterpret_cast<NoiseArrays*>(base + sampleBytes + 32);
    float* noiseX = reinterpret_cast<float*>(base + sampleBytes + 64);
    float* noiseY = reinterpret_cast<float*>(base + sampleBytes + 64 + noiseBytes);
    *noiseBase = NoiseArrays{noiseX, noiseY};
    *noiseWindow = NoiseArrays{noiseX, noiseY};
    sampleBlockBytes = static_cast<int32_t>(blockBytes);

    scratchBlock = allocateAligned(scratchBytes);
    if (!scratchBlock) {
        // Without the scratch area the store is unusable: give it all back.
        discardStore();
        return 0;
    }
    std::memset(scratchBlock, 0, scratchBytes);
    scratchSamples = static_cast<Sample*>(scratchBlock);
    sampleRefs = reinterpret_cast<Sample**>(static_cast<char*>(scratchBlock) + sampleBytes);
    windowRefs = sampleRefs;
    for (int i = 0; i < n; ++i)
        sampleRefs[i] = &samples[i];
    return 1;
}

int tavo::setThreadCount(int threads)
{
    if (threads < 1)
        return 0;
    if (threads == threadCount())
        return 1;
    try {
        workers = threads == 1 ? nullptr : std::make_unique<WorkerPool>(threads);
    } catch (const std::system_error&) {
        return 0;
    }
    return 1;
}

void tavo::selectTarget(int k, Target* target)
{
    if (k != windowStart) {
        windowScratch = scratchSamples + k;
        windowRefs = sampleRefs + k;
        noiseWindow->noiseX = noiseBase->noiseX + k;
        noiseWindow->noiseY = noiseBase->noiseY + k;
        windowStart = k;
        windowSamples = samples + k;
    }
    currentTarget = target;
}
