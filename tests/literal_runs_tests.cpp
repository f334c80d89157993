// Whole runs: the tracker on one, two and three threads against its literal
// steps, frame by frame, every sample, estimate, table draw, pool state and
// drawn pixel compared bit for bit, on the demo video and on drawn scenes
// made to reach the edge cases.

#include "core/demo_scenario.h"
#include "literal/literal_cycle.h"
#include "replay/frame_sequence.h"
#include "replay/square_scene.h"
#include "same_bits.h"
#include "session/tracking_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Frames of each run: enough for the targets to move, meet and part.
constexpr int kRunFrames = 40;
// The seed of every session.
constexpr int64_t kSeed = 3;

::testing::AssertionResult sameSample(const Sample& a, const Sample& b)
{
    const float af[] = {a.weight, a.likelihood, a.region.centerX, a.region.centerY, a.posX, a.posY,
                        a.velX,   a.velY,       a.scaleX,         a.scaleY,         a.vote};
    const float bf[] = {b.weight, b.likelihood, b.region.centerX, b.region.centerY, b.posX, b.posY,
                        b.velX,   b.velY,       b.scaleX,         b.scaleY,         b.vote};
    static const char* const names[] = {"weight", "likelihood", "centerX", "centerY", "posX", "posY",
                                        "velX",   "velY",       "scaleX",  "scaleY",  "vote"};
    for (size_t i = 0; i < sizeof af / sizeof af[0]; ++i)
        if (bitsOf(af[i]) != bitsOf(bf[i]))
            return ::testing::AssertionFailure() << names[i] << " " << af[i] << " vs " << bf[i];
    const int32_t ai[] = {a.region.x, a.region.y, a.region.width, a.region.height, a.region.area, a.region.right,
                          a.region.bottom, a.rect.x, a.rect.y, a.rect.width, a.rect.height};
    const int32_t bi[] = {b.region.x, b.region.y, b.region.width, b.region.height, b.region.area, b.region.right,
                          b.region.bottom, b.rect.x, b.rect.y, b.rect.width, b.rect.height};
    if (std::memcmp(ai, bi, sizeof ai) != 0)
        return ::testing::AssertionFailure() << "rectangles differ";
    return ::testing::AssertionSuccess();
}

// Everything a frame leaves behind in `b` is as in the literal run `a`.
void expectSameState(const tavo& a, const tavo& b, const CvMat* imageA, const CvMat* imageB, int frame)
{
    SCOPED_TRACE("frame " + std::to_string(frame));
    ASSERT_EQ(a.targets.size(), b.targets.size());
    for (int i = 0; i < a.sampleCapacity; ++i)
        ASSERT_TRUE(sameSample(a.samples[i], b.samples[i])) << "sample " << i;
    for (int i = 0; i < a.sampleCapacity; ++i)
        ASSERT_EQ(a.sampleRefs[i] - a.samples, b.sampleRefs[i] - b.samples) << "order " << i;
    for (size_t k = 0; k < a.targets.size(); ++k) {
        const Target& s = *a.targets[k];
        const Target& t = *b.targets[k];
        SCOPED_TRACE("target " + std::to_string(k));
        EXPECT_TRUE(sameSample(s.estimate, t.estimate));
        EXPECT_EQ(s.chosen - a.samples, t.chosen - b.samples);
        ASSERT_EQ(s.neighbours.size(), t.neighbours.size());
        EXPECT_EQ(s.id, t.id);
        for (size_t n = 0; n < s.neighbours.size(); ++n)
            EXPECT_EQ(s.neighbours[n]->id, t.neighbours[n]->id);
        EXPECT_TRUE(sameBits(s.candidate.bins, t.candidate.bins, s.candidate.binCount));
        EXPECT_TRUE(sameBits(s.reference.bins, t.reference.bins, s.reference.binCount));
    }
    EXPECT_EQ(0, std::memcmp(a.jointPool.states, b.jointPool.states, sizeof(uint64_t) * a.jointPool.count));
    EXPECT_EQ(0, std::memcmp(a.noisePool.states, b.noisePool.states, sizeof(uint64_t) * a.noisePool.count));
    EXPECT_EQ(a.windowStart, b.windowStart);
    EXPECT_EQ(a.currentTarget == nullptr, b.currentTarget == nullptr);
    ASSERT_EQ(imageA->rows, imageB->rows);
    for (int r = 0; r < imageA->rows; ++r)
        ASSERT_EQ(0, std::memcmp(imageA->data.ptr + r * imageA->step, imageB->data.ptr + r * imageB->step,
                                 static_cast<size_t>(imageA->cols) * 3))
            << "drawn row " << r;
}

// Called after every frame's drawing, on every tracker alike.
using AfterFrame = std::function<void(tavo&, bool literalSteps)>;

// Every run's targets and settings; samples 200 and 1000 iterations unless
// said otherwise.
struct RunSetUp {
    std::vector<Box> boxes;
    TrackingSettings settings;
};

RunSetUp boxesSetUp(const std::vector<Box>& boxes, int samples = 200)
{
    RunSetUp run{boxes, {}};
    run.settings.tracking.samples = samples;
    run.settings.tracking.iterations = 1000;
    return run;
}

std::unique_ptr<TrackingSession> startRun(const FrameSequence& frames, RunSetUp setUp, int threads, CycleSteps steps)
{
    setUp.settings.tracking.threads = threads;
    std::string error;
    auto session = TrackingSession::start(frames.frame(0), setUp.boxes, setUp.settings, kSeed, error, steps);
    EXPECT_TRUE(session) << error;
    return session;
}

// Tracks `frames` with the literal steps and with the tracker on 1, 2 and
// 3 threads, comparing after every frame, the first included.
void compareRuns(FrameSequence& frames, const RunSetUp& setUp, const AfterFrame& after = nullptr)
{
    ASSERT_GE(frames.size(), 2);
    auto literalRun = startRun(frames, setUp, 1, CycleSteps{literal::track, literal::draw});
    ASSERT_TRUE(literalRun);
    std::vector<std::unique_ptr<TrackingSession>> fast;
    for (int threads = 1; threads <= 3; ++threads) {
        fast.push_back(startRun(frames, setUp, threads, CycleSteps{}));
        ASSERT_TRUE(fast.back());
        ASSERT_EQ(fast.back()->tracker().threadCount(), threads);
    }
    cv::Mat literalImage, fastImage;
    for (int f = 0; f < frames.size(); ++f) {
        const cv::Mat& frame = frames.frame(f);
        if (f > 0) {
            ASSERT_EQ(literalRun->step(frame), StepOutcome::Tracked);
        }
        frame.copyTo(literalImage);
        literalRun->draw(literalImage);
        if (after)
            after(literalRun->tracker(), true);
        for (auto& run : fast) {
            if (f > 0) {
                ASSERT_EQ(run->step(frame), StepOutcome::Tracked);
            }
            frame.copyTo(fastImage);
            run->draw(fastImage);
            if (after)
                after(run->tracker(), false);
            SCOPED_TRACE("threads " + std::to_string(run->tracker().threadCount()));
            CvMat a = cvMat(literalImage), b = cvMat(fastImage);
            expectSameState(literalRun->tracker(), run->tracker(), &a, &b, f);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

FrameSequence sceneFrames(const SquareScene& scene, int count = kRunFrames)
{
    FrameSequence frames;
    for (int f = 0; f < count; ++f)
        frames.add(scene.frameAt(f));
    return frames;
}

}  // namespace

TEST(LiteralRuns, DemoVideo)
{
    FrameSequence frames;
    ASSERT_TRUE(frames.addVideo(TAVO_BINARY_DIR "/TAVO_DEMO.avi", kRunFrames));
    RunSetUp demo{{std::begin(kDemoTargets), std::end(kDemoTargets)}, {}};
    demo.settings.tracking.samples = kDemoSamplesPerTarget;
    demo.settings.tracking.noise = kDemoNoiseScale;
    compareRuns(frames, demo);
}

// Two pairs of squares of one hue side by side, swinging into each other:
// overlapping draws, neighbour links and penalties every frame.
TEST(LiteralRuns, SameHuePairsTouching)
{
    SquareScene scene;
    scene.squares = {{100, 100, 18, 60, 0, 6}, {118, 100, 18, 60, 0, -6},
                     {200, 200, 18, 120, 6, 0}, {200, 218, 18, 120, -6, 0}};
    FrameSequence frames = sceneFrames(scene);
    compareRuns(frames, boxesSetUp(scene.startBoxes()));
}

// Squares half outside every edge and in the corners: rectangles cut and
// shifted, outlines partly outside the image.
TEST(LiteralRuns, TargetsAtTheFrameEdges)
{
    SquareScene scene;
    scene.squares = {{-9, 150, 18, 30, 4, 0},   {311, 40, 18, 90, 4, 3}, {150, -9, 18, 150, 0, 4},
                     {200, 311, 18, 45, 3, 4},  {0, 0, 18, 75, 2, 2},    {302, 302, 18, 105, 2, 2}};
    FrameSequence frames = sceneFrames(scene);
    compareRuns(frames, boxesSetUp(scene.startBoxes()));
}

// Frame 0 has the targets' squares, later frames only the grey ground: no
// rectangle has a target's hue, every likelihood is the floor.
TEST(LiteralRuns, PlaneWithoutTheTargetsHue)
{
    SquareScene scene = SquareScene::grid(320, 320, 4);
    SquareScene empty = scene;
    empty.squares.clear();
    FrameSequence frames;
    frames.add(scene.frameAt(0));
    for (int f = 1; f < 12; ++f)
        frames.add(empty.frameAt(f));
    compareRuns(frames, boxesSetUp(scene.startBoxes()));
}

// After every frame one target's weights are all zero and another's are
// NaN, and the joint stage runs again on them: tables of nothing, estimates
// kept, resampling of nothing on the next frame.
TEST(LiteralRuns, AllZeroAndNaNWeights)
{
    SquareScene scene = SquareScene::grid(320, 320, 5);
    FrameSequence frames = sceneFrames(scene, 12);
    compareRuns(frames, boxesSetUp(scene.startBoxes(), 50), [](tavo& tracker, bool literalSteps) {
        const Target& zero = *tracker.targets[0];
        const Target& nan = *tracker.targets[1];
        for (int i = 0; i < zero.sampleCount; ++i)
            tracker.samples[zero.firstSample + i].weight = 0.0f;
        for (int i = 0; i < nan.sampleCount; ++i)
            tracker.samples[nan.firstSample + i].weight = std::nanf("");
        if (literalSteps)
            literal::runJointStage(tracker, 100);
        else
            tracker.runJointStage(100);
    });
}

// Many targets and frames larger than the demo's, and more samples.
TEST(LiteralRuns, ManyTargetsOnALargeFrame)
{
    SquareScene scene = SquareScene::grid(1280, 720, 30);
    FrameSequence frames = sceneFrames(scene, 10);
    compareRuns(frames, boxesSetUp(scene.startBoxes(), 300));
}

// The colour models of real video behind the appearance seam (hsv bins, a
// centre-weighted kernel, two bands) with slow adaptation after every
// frame: measured once per distinct rectangle too, on every thread count.
TEST(LiteralRuns, ColourModelsWithAdaptation)
{
    SquareScene scene;
    scene.squares = {{100, 100, 18, 60, 0, 6}, {118, 100, 18, 60, 0, -6}, {-9, 150, 18, 30, 4, 0},
                     {200, 200, 18, 120, 6, 0}};
    FrameSequence frames = sceneFrames(scene, 20);
    RunSetUp run = boxesSetUp(scene.startBoxes());
    run.settings.colour.space = ColourSpace::Hsv;
    run.settings.colour.kernel = true;
    run.settings.colour.parts = 2;
    run.settings.adaptation.rate = 0.05;
    compareRuns(frames, run);
}

// Robust motion on top: wide proposals, adaptive noise, scale noise and
// lost-and-found draw more numbers from the noise pool and read the other
// targets' estimates; the motion states are updated after every frame.
// And the whole robust preset, foreground cue included.
TEST(LiteralRuns, RobustMotion)
{
    SquareScene scene;
    scene.squares = {{100, 100, 18, 60, 0, 6}, {118, 100, 18, 60, 0, -6}, {302, 150, 18, 30, 4, 0}};
    FrameSequence frames;
    for (int f = 0; f < 16; ++f)
        frames.add(f < 8 ? scene.frameAt(f) : SquareScene{}.frameAt(f));  // the squares vanish: targets get lost
    RunSetUp run = boxesSetUp(scene.startBoxes());
    MotionSettings& motion = run.settings.motion;
    motion.spread = 0.2;
    motion.adaptiveNoise = true;
    motion.damping = 0.1;
    motion.scaleNoise = 0.05;
    motion.aspectNoise = 0.02;
    motion.lostAndFound = true;
    run.settings.colour.space = ColourSpace::Hsv;
    run.settings.colour.kernel = true;
    compareRuns(frames, run);

    RunSetUp robust = boxesSetUp(scene.startBoxes());
    robust.settings = robustSettings();
    robust.settings.tracking.samples = 200;
    compareRuns(frames, robust);
}
