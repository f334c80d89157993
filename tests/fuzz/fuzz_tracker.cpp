// libFuzzer harness for the tracker: sizing (init or configure), targets
// added from arbitrary rectangles, a few tracking cycles on changing hue
// planes, joint stages and drawing into frames of any small size.  The
// seeds come from the input through a counting tick source, so every input
// replays exactly.  Work per input is bounded: at most 10 targets of at
// most 64 samples, planes of at most 48 x 48, three cycles.
//
// Besides the sanitizers, the harness checks what every cycle promises:
// sample rectangles inside the image and at least 1 x 1, weights in (0, 1],
// each target's references inside its own block, and drawing that keeps to
// the frame's pixels.

#define FUZZ_HARNESS_NAME "fuzz_tracker"
#include "fuzz_check.h"
#include "core/tavo.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <opencv2/core/core_c.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

int32_t coordinate(FuzzedDataProvider& in, int limit)
{
    static const int32_t extremes[] = {INT_MIN, -65536, -1, 0, 1, 65536, INT_MAX / 2, INT_MAX};
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        return extremes[in.ConsumeIntegralInRange<size_t>(0, sizeof extremes / sizeof *extremes - 1)];
    case 1:
        return in.ConsumeIntegral<int32_t>();
    default:
        return in.ConsumeIntegralInRange<int32_t>(-limit, 2 * limit);
    }
}

// A size for init/configure: usually small and valid, sometimes refused.
int count(FuzzedDataProvider& in, int max)
{
    static const int odd[] = {0, -1, INT_MIN, INT_MAX, 1 << 28};
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
        return odd[in.ConsumeIntegralInRange<size_t>(0, sizeof odd / sizeof *odd - 1)];
    return in.ConsumeIntegralInRange<int>(1, max);
}

float noiseScale(FuzzedDataProvider& in)
{
    static const float odd[] = {0.0f, -0.2f, 1e6f, -1e30f, std::numeric_limits<float>::max(),
                                std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return odd[in.ConsumeIntegralInRange<size_t>(0, sizeof odd / sizeof *odd - 1)];
    case 1:
        return in.ConsumeFloatingPoint<float>();
    default:
        return in.ConsumeFloatingPointInRange<float>(-4.0f, 4.0f);
    }
}

void fillPlane(FuzzedDataProvider& in, std::vector<uint8_t>& pixels)
{
    const std::vector<uint8_t> pattern = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 64));
    const uint8_t stride = in.ConsumeIntegral<uint8_t>();
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = pattern.empty() ? static_cast<uint8_t>(i * stride) : pattern[(i + i / 7 * stride) % pattern.size()];
}

void checkSamples(const tavo& tracker)
{
    const int width = static_cast<int>(tracker.frameWidth);
    const int height = static_cast<int>(tracker.frameHeight);
    for (const auto& t : tracker.targets) {
        for (int i = t->firstSample; i < t->endSample; ++i) {
            const Sample& s = tracker.samples[i];
            if (width >= 1 && height >= 1) {
                CHECK(s.rect.x >= 0 && s.rect.y >= 0 && s.rect.width >= 1 && s.rect.height >= 1);
                CHECK(s.rect.x + s.rect.width <= width && s.rect.y + s.rect.height <= height);
                CHECK(s.region.area == s.rect.width * s.rect.height);
            }
            CHECK(s.weight > 0.0f && s.weight <= 1.0f + 1e-6f);
            const Sample* ref = tracker.sampleRefs[i];
            CHECK(ref >= tracker.samples + t->firstSample && ref < tracker.samples + t->endSample);
        }
    }
}

// An 8-bit three-channel frame in exactly the bytes its header covers, with
// marked row padding that drawing must not touch.
struct Frame {
    CvMat header;
    std::vector<uint8_t> bytes;
    int padding = 0;
};

void makeFrame(FuzzedDataProvider& in, Frame& f)
{
    const int cols = in.ConsumeIntegralInRange<int>(1, 64);
    const int rows = in.ConsumeIntegralInRange<int>(1, 64);
    f.padding = in.ConsumeIntegralInRange<int>(0, 5);
    const int step = 3 * cols + f.padding;
    f.bytes.assign(static_cast<size_t>(rows - 1) * step + 3 * cols, in.ConsumeIntegral<uint8_t>());
    for (int r = 0; r + 1 < rows; ++r)
        for (int p = 0; p < f.padding; ++p)
            f.bytes[static_cast<size_t>(r) * step + 3 * cols + p] = 0xA5;
    cvInitMatHeader(&f.header, rows, cols, CV_8UC3, f.bytes.data(), step);
}

void checkFramePadding(const Frame& f)
{
    const int cols = f.header.cols, step = f.header.step;
    for (int r = 0; r + 1 < f.header.rows; ++r)
        for (int p = 0; p < f.padding; ++p)
            CHECK(f.bytes[static_cast<size_t>(r) * step + 3 * cols + p] == 0xA5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    CountingTickSource ticks(in.ConsumeIntegral<int64_t>());
    // Ids run on across trackers; start each input at a known value, at
    // times near the top of the range for long labels.
    nextTargetId = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<int32_t>(0, INT_MAX - 16);

    const int cols = in.ConsumeIntegralInRange<int>(1, 48);
    const int rows = in.ConsumeIntegralInRange<int>(1, 48);
    std::vector<uint8_t> pixels(static_cast<size_t>(cols) * rows);
    fillPlane(in, pixels);
    CvMat plane = cvMat(rows, cols, CV_8UC1, pixels.data());

    tavo tracker(ticks);
    // The cycle's joint move: the standard 5000 iterations for one input in
    // eight, otherwise a few, to keep the work per input small.
    tracker.jointIterations =
        in.ConsumeIntegralInRange<int>(0, 7) == 0 ? kStandardJointIterations : in.ConsumeIntegralInRange<int>(1, 64);
    tracker.huePlane = &plane;
    // init fixes the demo's table of 2^18 entries per target, slow to
    // rebuild every cycle: take it for one input in four, with one cycle.
    const bool demoSizing = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    if (demoSizing) {
        tracker.init(&plane, count(in, 64));
    } else {
        int mask = (1 << in.ConsumeIntegralInRange<int>(0, 10)) - 1;
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
            // Anything else: refused unless 2^k - 1 with k < 31.  Valid
            // masks beyond 2^10 - 1 would only cost memory here.
            const int32_t any = in.ConsumeIntegral<int32_t>();
            const bool wellFormed = any >= 0 && (static_cast<uint32_t>(any) & (static_cast<uint32_t>(any) + 1u)) == 0;
            mask = !wellFormed || any == INT_MAX ? any : (any & 1023);
        }
        const int perTarget = count(in, 64), targetCount = count(in, 10);
        const int configured = tracker.configure(perTarget, targetCount, mask);
        if (mask == INT_MAX)
            CHECK(configured == 0);  // a table of 2^31 entries cannot be counted
        (void)configured;
        tracker.frameWidth = static_cast<float>(cols);
        tracker.frameHeight = static_cast<float>(rows);
    }
    tracker.noiseScaleX = noiseScale(in);
    tracker.noiseScaleY = noiseScale(in);

    const int additions = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < additions; ++i) {
        const int x = coordinate(in, cols), y = coordinate(in, rows);
        const int w = coordinate(in, cols), h = coordinate(in, rows);
        const size_t before = tracker.targets.size();
        const int added = tracker.addTarget(&plane, x, y, w, h);
        CHECK(tracker.targets.size() == before + static_cast<size_t>(added));
        if (w <= 0 || h <= 0)
            CHECK(added == 0);
    }
    checkSamples(tracker);

    const int cycles = in.ConsumeIntegralInRange<int>(0, demoSizing ? 1 : 3);
    for (int c = 0; c < cycles; ++c) {
        if (in.ConsumeBool())
            fillPlane(in, pixels);
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            tracker.runJointStage(in.ConsumeIntegralInRange<int>(-2, 20));
            break;
        default:
            CHECK(tracker.track() == 1);
            break;
        }
        checkSamples(tracker);
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            tracker.draw(nullptr);
        } else {
            Frame f;
            makeFrame(in, f);
            tracker.draw(&f.header);
            checkFramePadding(f);
        }
    }
    return 0;
}
