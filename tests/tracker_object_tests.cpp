#include "support/aligned_alloc.h"
#include "test_tracker.h"
#include "core/tavo.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct MatDeleter {
    void operator()(CvMat* m) const { cvReleaseMat(&m); }
};
using Mat = std::unique_ptr<CvMat, MatDeleter>;

Mat makePlane(int rows, int cols)
{
    Mat m(cvCreateMat(rows, cols, CV_8UC1));
    cvSetZero(m.get());
    return m;
}

ptrdiff_t offset(const void* base, const void* p)
{
    return static_cast<const char*>(p) - static_cast<const char*>(base);
}

bool aligned32(const void* p) { return reinterpret_cast<uintptr_t>(p) % 32 == 0; }

}  // namespace

TEST(TrackerObject, Construction)
{
    CountingTickSource ticks(1);
    tavo tracker(ticks);
    EXPECT_EQ(tracker.histogramBins, 179);
    EXPECT_EQ(tracker.sampleCapacity, 0);
    EXPECT_EQ(tracker.sampleBlockBytes, 0);
    EXPECT_EQ(tracker.tableMask, 0);
    EXPECT_EQ(tracker.samplesPerTarget, 0);
    EXPECT_EQ(tracker.maxTargets, 0);
    EXPECT_EQ(tracker.windowStart, -1);
    EXPECT_EQ(tracker.samples, nullptr);
    EXPECT_EQ(tracker.sampleBlock, nullptr);
    EXPECT_EQ(tracker.scratchBlock, nullptr);
    EXPECT_EQ(tracker.sampleRefs, nullptr);
    EXPECT_EQ(tracker.windowScratch, nullptr);
    EXPECT_EQ(tracker.currentTarget, nullptr);
    EXPECT_EQ(tracker.noisePool.states, nullptr);
    EXPECT_EQ(tracker.jointPool.states, nullptr);
    EXPECT_TRUE(tracker.targets.empty());
    EXPECT_EQ(ticks.peek(), 1);  // nothing seeded yet

    CvFont font;
    cvInitFont(&font, CV_FONT_HERSHEY_PLAIN, 1.0, 1.0, 0.0, 1, 8);
    CvSize size;
    cvGetTextSize("A", &font, &size, nullptr);
    EXPECT_EQ(tracker.labelFont.font_face, font.font_face);
    EXPECT_EQ(tracker.labelFont.hscale, 1.0);
    EXPECT_EQ(tracker.labelFont.vscale, 1.0);
    EXPECT_EQ(tracker.labelFont.shear, 0.0);
    EXPECT_EQ(tracker.labelFont.thickness, 1);
    EXPECT_EQ(tracker.labelFont.line_type, 8);
    EXPECT_EQ(tracker.labelSize.width, size.width);
    EXPECT_EQ(tracker.labelSize.height, size.height);
}

TEST(TrackerObject, InitSizesTheStoreForTenTargets)
{
    Mat plane = makePlane(48, 64);
    const int64_t t0 = 5000;
    CountingTickSource ticks(t0);
    tavo tracker(ticks);
    EXPECT_EQ(tracker.init(nullptr, 500), 0);
    EXPECT_EQ(tracker.sampleCapacity, 0);
    EXPECT_EQ(tracker.noisePool.states, nullptr);

    ASSERT_EQ(tracker.init(plane.get(), 500), 1);
    EXPECT_EQ(tracker.sampleCapacity, 5000);
    EXPECT_EQ(tracker.sampleBlockBytes, 480064);
    EXPECT_EQ(tracker.tableMask, 0x3ffff);
    EXPECT_EQ(tracker.samplesPerTarget, 500);
    EXPECT_EQ(tracker.maxTargets, 10);
    EXPECT_EQ(tracker.defaultSampleCount, 500);
    EXPECT_EQ(tracker.frameWidth, 64.0f);
    EXPECT_EQ(tracker.frameHeight, 48.0f);
    EXPECT_EQ(tracker.windowStart, -1);
    ASSERT_EQ(tracker.noisePool.count, 2);
    ASSERT_EQ(tracker.jointPool.count, 10);

    // The noise pool is seeded first (while the store is built), then the
    // joint pool: state i of a pool is the tick read for it plus i.
    EXPECT_EQ(tracker.noisePool.states[0], uint64_t(t0));
    EXPECT_EQ(tracker.noisePool.states[1], uint64_t(t0 + 1 + 1));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(tracker.jointPool.states[i], uint64_t(t0 + 2 + i + i)) << "state " << i;

    // Layout of the sample block: samples, two NoiseArrays records, noiseX,
    // noiseY; of the scratch block: scratch samples, then references.
    const size_t sampleBytes = align32(88 * 5000);
    EXPECT_EQ(sampleBytes, 440000u);
    EXPECT_EQ(tracker.samples, tracker.sampleBlock);
    EXPECT_EQ(tracker.windowSamples, tracker.samples);
    EXPECT_EQ(offset(tracker.sampleBlock, tracker.noiseBase), ptrdiff_t(sampleBytes));
    EXPECT_EQ(offset(tracker.sampleBlock, tracker.noiseWindow), ptrdiff_t(sampleBytes + 32));
    EXPECT_EQ(offset(tracker.sampleBlock, tracker.noiseBase->noiseX), ptrdiff_t(sampleBytes + 64));
    EXPECT_EQ(offset(tracker.sampleBlock, tracker.noiseBase->noiseY), ptrdiff_t(sampleBytes + 64 + 20000));
    EXPECT_EQ(tracker.noiseWindow->noiseX, tracker.noiseBase->noiseX);
    EXPECT_EQ(tracker.noiseWindow->noiseY, tracker.noiseBase->noiseY);
    EXPECT_EQ(offset(tracker.sampleBlock, tracker.noiseBase->noiseY) + 20000, tracker.sampleBlockBytes);
    EXPECT_EQ(tracker.scratchSamples, tracker.scratchBlock);
    EXPECT_EQ(offset(tracker.scratchBlock, tracker.sampleRefs), ptrdiff_t(sampleBytes));
    EXPECT_EQ(tracker.windowRefs, tracker.sampleRefs);
    for (const void* p : {static_cast<const void*>(tracker.samples), static_cast<const void*>(tracker.noiseBase),
                          static_cast<const void*>(tracker.noiseWindow),
                          static_cast<const void*>(tracker.noiseBase->noiseX),
                          static_cast<const void*>(tracker.noiseBase->noiseY),
                          static_cast<const void*>(tracker.scratchSamples),
                          static_cast<const void*>(tracker.sampleRefs)})
        EXPECT_TRUE(aligned32(p));
    // The rest of both 32-byte NoiseArrays records is zero.
    const char* rec = reinterpret_cast<const char*>(tracker.noiseBase);
    for (int b = sizeof(NoiseArrays); b < 32; ++b) {
        EXPECT_EQ(rec[b], 0);
        EXPECT_EQ(rec[32 + b], 0);
    }

    // Every reference points at its slot, every slot holds the default
    // sample and the noise arrays start zeroed.
    const Sample def;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(tracker.sampleRefs[i], &tracker.samples[i]);
        const Sample& s = tracker.samples[i];
        ASSERT_EQ(std::memcmp(&s.region, &def.region, sizeof(Region)), 0);
        ASSERT_EQ(s.weight, 1.0f);
        ASSERT_EQ(s.likelihood, 0.0f);
        ASSERT_EQ(s.posX, 0.0f);
        ASSERT_EQ(s.posY, 0.0f);
        ASSERT_EQ(s.velX, FLT_EPSILON);
        ASSERT_EQ(s.velY, FLT_EPSILON);
        ASSERT_EQ(s.scaleX, 0.0f);
        ASSERT_EQ(s.scaleY, 0.0f);
        ASSERT_EQ(s.vote, 0.0f);
        ASSERT_EQ(tracker.noiseBase->noiseX[i], 0.0f);
        ASSERT_EQ(tracker.noiseBase->noiseY[i], 0.0f);
    }
}

TEST(TrackerObject, SecondInitKeepsTheStore)
{
    Mat plane = makePlane(48, 64);
    Mat other = makePlane(20, 30);
    CountingTickSource ticks(77);
    tavo tracker(ticks);
    ASSERT_EQ(tracker.init(plane.get(), 500), 1);
    Sample* samples = tracker.samples;
    void* scratch = tracker.scratchBlock;
    const uint64_t* noiseStates = tracker.noisePool.states;
    const uint64_t* jointStates = tracker.jointPool.states;
    const std::vector<uint64_t> jointValues(jointStates, jointStates + 10);
    const int64_t reads = ticks.peek();

    EXPECT_EQ(tracker.init(other.get(), 7), 1);
    EXPECT_EQ(tracker.samples, samples);
    EXPECT_EQ(tracker.scratchBlock, scratch);
    EXPECT_EQ(tracker.sampleCapacity, 5000);
    EXPECT_EQ(tracker.sampleBlockBytes, 480064);
    EXPECT_EQ(tracker.tableMask, 0x3ffff);
    EXPECT_EQ(tracker.samplesPerTarget, 500);
    EXPECT_EQ(tracker.maxTargets, 10);
    EXPECT_EQ(tracker.noisePool.states, noiseStates);
    EXPECT_EQ(tracker.jointPool.states, jointStates);
    EXPECT_EQ(tracker.jointPool.count, 10);
    EXPECT_EQ(std::vector<uint64_t>(jointStates, jointStates + 10), jointValues);
    EXPECT_EQ(ticks.peek(), reads);
    // What init sets itself is overwritten.
    EXPECT_EQ(tracker.defaultSampleCount, 7);
    EXPECT_EQ(tracker.frameWidth, 30.0f);
    EXPECT_EQ(tracker.frameHeight, 20.0f);

    EXPECT_EQ(tracker.configure(4, 3, 0xff), 0);
    EXPECT_EQ(tracker.tableMask, 0x3ffff);
    EXPECT_EQ(tracker.buildStore(10), 0);
}

TEST(TrackerObject, ConfigureChecksTheMask)
{
    CountingTickSource ticks(1);
    tavo refused(ticks);
    EXPECT_EQ(refused.configure(500, 10, 0x3fffe), 0);
    EXPECT_EQ(refused.sampleCapacity, 0);
    EXPECT_EQ(refused.samples, nullptr);
    EXPECT_EQ(refused.tableMask, 0);
    EXPECT_EQ(refused.maxTargets, 0);
    EXPECT_EQ(refused.noisePool.states, nullptr);
    EXPECT_EQ(refused.jointPool.states, nullptr);

    tavo accepted(ticks);
    EXPECT_EQ(accepted.configure(500, 10, 0), 1);  // 0 is 2^0 - 1
    EXPECT_EQ(accepted.sampleCapacity, 5000);
    EXPECT_EQ(accepted.tableMask, 0);
    EXPECT_EQ(accepted.samplesPerTarget, 500);
    EXPECT_EQ(accepted.maxTargets, 10);
    EXPECT_EQ(accepted.defaultSampleCount, 500);
    EXPECT_EQ(accepted.jointPool.count, 10);

    tavo small(ticks);
    EXPECT_EQ(small.buildStore(0), 0);
    EXPECT_EQ(small.buildStore(-3), 0);
    EXPECT_EQ(small.sampleCapacity, 0);
    ASSERT_EQ(small.buildStore(3), 1);
    EXPECT_EQ(small.sampleBlockBytes, int32_t(align32(264) + 64 + 2 * 32));
    EXPECT_EQ(small.noisePool.count, 2);
    EXPECT_EQ(small.jointPool.states, nullptr);  // only configure seeds it

    // Masks whose tables cannot be counted in 32 bits, negative masks and
    // counts below 1 build nothing.
    tavo odd(ticks);
    EXPECT_EQ(odd.configure(4, 2, 0x7fffffff), 0);
    EXPECT_EQ(odd.configure(4, 2, -1), 0);
    EXPECT_EQ(odd.configure(-4, -2, 7), 0);
    EXPECT_EQ(odd.configure(0, 2, 7), 0);
    EXPECT_EQ(odd.sampleCapacity, 0);
    EXPECT_EQ(odd.jointPool.states, nullptr);
}

TEST(TrackerObject, SelectTargetMovesTheWindowsOnlyForANewSlot)
{
    TestTracker k(500, 10, 0xff);
    Target a, b;

    ASSERT_EQ(k.tracker.windowScratch, nullptr);
    k.tracker.selectTarget(0, &a);
    EXPECT_EQ(k.tracker.windowStart, 0);
    EXPECT_EQ(k.tracker.windowSamples, k.tracker.samples);
    EXPECT_EQ(k.tracker.windowScratch, k.tracker.scratchSamples);
    EXPECT_EQ(k.tracker.windowRefs, k.tracker.sampleRefs);
    EXPECT_EQ(k.tracker.noiseWindow->noiseX, k.tracker.noiseBase->noiseX);
    EXPECT_EQ(k.tracker.noiseWindow->noiseY, k.tracker.noiseBase->noiseY);
    EXPECT_EQ(k.tracker.currentTarget, &a);

    k.tracker.selectTarget(1500, &b);
    EXPECT_EQ(k.tracker.windowStart, 1500);
    EXPECT_EQ(k.tracker.windowSamples, k.tracker.samples + 1500);
    EXPECT_EQ(k.tracker.windowScratch, k.tracker.scratchSamples + 1500);
    EXPECT_EQ(k.tracker.windowRefs, k.tracker.sampleRefs + 1500);
    EXPECT_EQ(k.tracker.noiseWindow->noiseX, k.tracker.noiseBase->noiseX + 1500);
    EXPECT_EQ(k.tracker.noiseWindow->noiseY, k.tracker.noiseBase->noiseY + 1500);
    EXPECT_EQ(k.tracker.currentTarget, &b);

    // Same slot: the windows are not recomputed, only the target changes.
    Sample* marker = k.tracker.samples + 7;
    k.tracker.windowSamples = marker;
    k.tracker.windowScratch = nullptr;
    k.tracker.selectTarget(1500, &a);
    EXPECT_EQ(k.tracker.windowSamples, marker);
    EXPECT_EQ(k.tracker.windowScratch, nullptr);
    EXPECT_EQ(k.tracker.currentTarget, &a);
    k.tracker.selectTarget(1500, nullptr);
    EXPECT_EQ(k.tracker.currentTarget, nullptr);
    EXPECT_EQ(k.tracker.windowStart, 1500);
}

TEST(TrackerObject, InitReportsAStoreItCannotBuild)
{
    Mat plane = makePlane(48, 64);
    CountingTickSource ticks(5);
    // No samples, or more slots than the store's 32-bit byte count allows:
    // refused, and the tracker stays as constructed.
    for (int samples : {0, static_cast<int>(2 * kMaxStoreSlots / kStandardTargetCount)}) {
        tavo tracker(ticks);
        EXPECT_EQ(tracker.init(plane.get(), samples), 0) << samples;
        EXPECT_EQ(tracker.sampleCapacity, 0);
        EXPECT_EQ(tracker.frameWidth, 0.0f);
        EXPECT_EQ(tracker.addTarget(plane.get(), 0, 0, 4, 4), 0);
    }
    // The largest store that fits is built.
    tavo largest(ticks);
    EXPECT_EQ(largest.init(plane.get(), 1, static_cast<int>(kMaxStoreSlots)), 1);
    EXPECT_EQ(largest.sampleCapacity, kMaxStoreSlots);
}

TEST(TrackerObject, InitSizesForAGivenTargetCount)
{
    Mat plane = makePlane(48, 64);
    CountingTickSource ticks(5);
    tavo tracker(ticks);
    ASSERT_EQ(tracker.init(plane.get(), 20, 12), 1);
    EXPECT_EQ(tracker.sampleCapacity, 240);
    EXPECT_EQ(tracker.maxTargets, 12);
    EXPECT_EQ(tracker.jointPool.count, 12);
    EXPECT_EQ(tracker.tableMask, kStandardTableMask);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(tracker.addTarget(plane.get(), 2 * i, 0, 4, 4), 1) << i;
    EXPECT_EQ(tracker.addTarget(plane.get(), 0, 0, 4, 4), 0) << "the store is full";
}
