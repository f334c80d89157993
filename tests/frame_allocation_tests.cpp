// Once the first frames are past, a session's step allocates nothing: every
// image, buffer and list is sized on the first frames and reused.  The
// heap's entry points are counted here while a session steps.

#include "replay/textured_scene.h"
#include "session/tracking_session.h"

#include <gtest/gtest.h>

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <numeric>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAVO_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TAVO_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef TAVO_COUNTS_ALLOCATIONS
#define TAVO_COUNTS_ALLOCATIONS 1
#endif

namespace {

std::atomic<long> allocations{0};
std::atomic<bool> counting{false};

void counted()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if TAVO_COUNTS_ALLOCATIONS
// glibc's own allocator behind the counted entry points (operator new and
// OpenCV's aligned buffers end in these too).
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t size)
{
    counted();
    return __libc_malloc(size);
}
void* calloc(size_t n, size_t size)
{
    counted();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size)
{
    counted();
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size)
{
    counted();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size)
{
    counted();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** p, size_t alignment, size_t size)
{
    counted();
    *p = __libc_memalign(alignment, size);
    return *p ? 0 : 12;  // ENOMEM
}
}
#endif

namespace {

// Frames stepped before counting: the first frames size everything, and a
// still camera's estimate turns sparse (CameraMotionSettings::stillInterval)
// once judgementFrames estimates in a row have not shifted it.
constexpr int kSettlingFrames = 24;
constexpr int kCountedFrames = 24;

// Each counted frame's allocations, after the settling frames.
std::vector<long> allocationsPerFrame(const TrackingSettings& settings, int threads)
{
    // A pedestrian-like scene: small targets in a larger frame.
    const TexturedScene scene(384, 288, 3, 16, 40);
    std::vector<cv::Mat> frames;
    for (int f = 0; f < kSettlingFrames + kCountedFrames + 1; ++f)
        frames.push_back(scene.frameAt(f));
    TrackingSettings s = settings;
    s.tracking.threads = threads;
    std::string error;
    auto session = TrackingSession::start(frames[0], scene.startBoxes(), s, 7, error);
    EXPECT_TRUE(session) << error;
    if (!session)
        return {};
    for (int f = 1; f <= kSettlingFrames; ++f)
        session->step(frames[static_cast<size_t>(f)]);
    std::vector<long> counts;
    counts.reserve(kCountedFrames);
    for (int f = kSettlingFrames + 1; f < static_cast<int>(frames.size()); ++f) {
        allocations = 0;
        counting = true;
        const StepOutcome outcome = session->step(frames[static_cast<size_t>(f)]);
        counting = false;
        counts.push_back(allocations);
        if (outcome != StepOutcome::Tracked)
            break;
    }
    EXPECT_EQ(session->frameNumber(), kSettlingFrames + kCountedFrames + 1);
    return counts;
}

long total(const std::vector<long>& counts) { return std::accumulate(counts.begin(), counts.end(), 0L); }

TEST(FrameAllocations, NoneAfterTheFirstFramesButInTheCameraEstimate)
{
#if !TAVO_COUNTS_ALLOCATIONS
    GTEST_SKIP() << "the sanitizer owns the heap's entry points";
#endif
    // OpenCV's own pool threads (its colour conversion runs on them) wake
    // and allocate at their own pace on a busy machine, outside the
    // session's work: with them off OpenCV works on the calling thread, and
    // what is counted is the session's step alone.
    cv::setNumThreads(0);
    // The counter itself counts: one allocation seen.
    counting = true;
    allocations = 0;
    void* volatile p = std::malloc(16);
    counting = false;
    std::free(p);
    ASSERT_EQ(allocations, 1);

    TrackingSettings stillCamera = robustSettings();
    stillCamera.camera.mode = CameraMode::Still;
    EXPECT_EQ(total(allocationsPerFrame(TrackingSettings{}, 1)), 0) << "default";
    EXPECT_EQ(total(allocationsPerFrame(TrackingSettings{}, 2)), 0) << "default, 2 threads";
    EXPECT_EQ(total(allocationsPerFrame(stillCamera, 1)), 0) << "--robust --camera-motion still";
    EXPECT_EQ(total(allocationsPerFrame(stillCamera, 2)), 0) << "the same on 2 threads";
    TrackingSettings nearTargets = stillCamera;
    nearTargets.colour.background.nearTargets = true;
    EXPECT_EQ(total(allocationsPerFrame(nearTargets, 1)), 0) << "--work-near-targets";
    // OpenCV's corner finder, optical flow and fit allocate their own
    // buffers: only the frames whose camera motion is estimated, one in
    // kAutoStillInterval while the camera stands still, may allocate.
    for (int threads : {1, 2}) {
        const std::vector<long> counts = allocationsPerFrame(robustSettings(), threads);
        const long allocating = std::count_if(counts.begin(), counts.end(), [](long n) { return n > 0; });
        EXPECT_LE(allocating, kCountedFrames / kAutoStillInterval) << "--robust on " << threads << " threads";
    }
}

}  // namespace
