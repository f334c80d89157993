// The command's tracker: reproducible seeding of every random pool, store
// sizing for up to ten targets and beyond, refused boxes, and the joint
// move's iteration count.

#include "cli/tracker_setup.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <limits>

using namespace tavo_cli;

namespace {

// A hue plane with a few patches of colour.
struct Plane {
    CvMat* mat = cvCreateMat(120, 160, CV_8UC1);
    Plane()
    {
        for (int r = 0; r < mat->rows; ++r)
            for (int c = 0; c < mat->cols; ++c)
                CV_MAT_ELEM(*mat, uchar, r, c) = static_cast<uchar>((r / 20 * 37 + c / 20 * 11) % 180);
    }
    ~Plane() { cvReleaseMat(&mat); }
};

// Seeding stores the tick read plus the state's index, all ones for 0.
uint64_t seededState(uint64_t read, uint64_t index)
{
    const uint64_t s = read + index;
    return s == 0 ? ~uint64_t{0} : s;
}

}  // namespace

TEST(CliTrackerSetup, EveryPoolIsSeededFromTheCountingSourceInOrder)
{
    // The store's noise pool reads first (2 states), then the joint pool
    // (one state per target block); read k gives T + k.  No target is
    // added, as adding one draws from the noise pool.
    for (const int64_t start : {int64_t{1000}, int64_t{0}, int64_t{-2}, int64_t{-7}, INT64_MAX - 3}) {
        Plane plane;
        CountingTickSource ticks(start);
        tavo tracker(ticks);
        tracker.huePlane = plane.mat;
        std::string error;
        ASSERT_TRUE(setUpTracker(tracker, plane.mat, {}, 50, 0.2f, 5000, error)) << error;
        const uint64_t t = static_cast<uint64_t>(start);
        ASSERT_EQ(tracker.noisePool.count, 2);
        EXPECT_EQ(tracker.noisePool.states[0], seededState(t, 0)) << start;
        EXPECT_EQ(tracker.noisePool.states[1], seededState(t + 1, 1)) << start;
        ASSERT_EQ(tracker.jointPool.count, 10);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(tracker.jointPool.states[i], seededState(t + 2 + i, i)) << start << " state " << i;
        EXPECT_EQ(static_cast<uint64_t>(ticks.peek()), t + 12) << "no other read";
    }
}

TEST(CliTrackerSetup, UpToTenTargetsTheStoreIsSizedAsInTheDemo)
{
    Plane plane;
    CountingTickSource ticks(1);
    tavo tracker(ticks);
    tracker.huePlane = plane.mat;
    std::string error;
    const std::vector<Box> boxes{{10, 10, 18, 18}, {60, 40, 12, 20}, {-5, 100, 18, 40}};  // the last partly outside
    ASSERT_TRUE(setUpTracker(tracker, plane.mat, boxes, 40, 0.75f, 5000, error)) << error;
    EXPECT_EQ(tracker.sampleCapacity, 400);
    EXPECT_EQ(tracker.maxTargets, 10);
    EXPECT_EQ(tracker.samplesPerTarget, 40);
    EXPECT_EQ(tracker.defaultSampleCount, 40);
    EXPECT_EQ(tracker.tableMask, 0x3ffff);
    EXPECT_EQ(tracker.frameWidth, 160.0f);
    EXPECT_EQ(tracker.frameHeight, 120.0f);
    EXPECT_EQ(tracker.noiseScaleX, 0.75f);
    EXPECT_EQ(tracker.noiseScaleY, 0.75f);
    ASSERT_EQ(tracker.targets.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tracker.targets[i]->id, tracker.targets[0]->id + static_cast<int>(i));
        EXPECT_EQ(tracker.targets[i]->baseWidth, static_cast<float>(boxes[i].width));
        EXPECT_EQ(tracker.targets[i]->baseHeight, static_cast<float>(boxes[i].height));
        EXPECT_EQ(tracker.targets[i]->sampleCount, 40);
    }
}

TEST(CliTrackerSetup, MoreThanTenTargetsGetABlockAndAPoolStateEach)
{
    Plane plane;
    CountingTickSource ticks(50);
    tavo tracker(ticks);
    tracker.huePlane = plane.mat;
    std::vector<Box> boxes;
    for (int i = 0; i < 12; ++i)
        boxes.push_back(Box{(i % 6) * 25, (i / 6) * 50, 16, 16});
    std::string error;
    ASSERT_TRUE(setUpTracker(tracker, plane.mat, boxes, 30, 0.2f, 5000, error)) << error;
    EXPECT_EQ(tracker.targets.size(), 12u);
    EXPECT_EQ(tracker.sampleCapacity, 360);
    EXPECT_EQ(tracker.maxTargets, 12);
    EXPECT_EQ(tracker.defaultSampleCount, 30);
    EXPECT_EQ(tracker.frameWidth, 160.0f);
    EXPECT_EQ(tracker.frameHeight, 120.0f);
    ASSERT_EQ(tracker.jointPool.count, 12);
    EXPECT_EQ(tracker.jointPool.states[11], seededState(50 + 2 + 11, 11));
    tracker.track();  // every target has its pool state for the joint move
}

TEST(CliTrackerSetup, BoxesWhollyOutsideTheFrameAreRefused)
{
    const Box outside[] = {{160, 0, 10, 10}, {0, 120, 10, 10}, {-10, 0, 10, 10}, {0, -10, 10, 10}};
    for (const Box& b : outside) {
        Plane plane;
        CountingTickSource ticks(1);
        tavo tracker(ticks);
        tracker.huePlane = plane.mat;
        std::string error;
        EXPECT_FALSE(setUpTracker(tracker, plane.mat, {Box{0, 0, 10, 10}, b}, 20, 0.2f, 5000, error));
        EXPECT_NE(error.find("target 2 (box " + boxText(b) + ")"), std::string::npos) << error;
        EXPECT_NE(error.find("160x120"), std::string::npos) << error;
        EXPECT_TRUE(tracker.targets.empty()) << "refused before anything is added";
    }
}

TEST(CliTrackerSetup, JointMoveRunsTheChosenIterations)
{
    // One target has no neighbours, so every iteration adds a vote of
    // exactly 1 to one of its samples (each starts from a floor of
    // FLT_EPSILON).
    const auto votesAfterOneCycle = [](tavo& tracker, int iterations) {
        Plane plane;
        tracker.huePlane = plane.mat;
        std::string error;
        EXPECT_TRUE(setUpTracker(tracker, plane.mat, {Box{40, 40, 18, 18}}, 64, 0.2f, iterations, error)) << error;
        tracker.track();
        double votes = 0;
        const Target& t = *tracker.targets[0];
        for (int i = t.firstSample; i < t.endSample; ++i)
            votes += tracker.samples[i].vote;
        return votes;
    };
    CountingTickSource ticks(3);
    tavo few(ticks);
    EXPECT_NEAR(votesAfterOneCycle(few, 7), 7.0, 1e-3);
    tavo standard(ticks);
    EXPECT_NEAR(votesAfterOneCycle(standard, 5000), 5000.0, 1e-3);
}

TEST(CliTrackerSetup, TargetsTakeTheIdsGivenAndMessagesNameThem)
{
    Plane plane;
    CountingTickSource ticks(9);
    tavo tracker(ticks);
    tracker.huePlane = plane.mat;
    std::string error;
    // Ids the tracker is about to hand out, in another order: each target
    // still gets its own samples (without noise, exactly its box) and keeps
    // its id through a cycle.
    const std::vector<Box> boxes{{10, 10, 18, 18}, {60, 40, 12, 20}, {100, 80, 16, 16}};
    const std::vector<int> ids{nextTargetId + 2, 7, nextTargetId + 1};
    ASSERT_TRUE(setUpTracker(tracker, plane.mat, boxes, 40, 0.0f, 50, error, ids)) << error;
    ASSERT_EQ(tracker.targets.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const Target& t = *tracker.targets[i];
        EXPECT_EQ(t.id, ids[i]);
        const Sample& first = tracker.samples[t.firstSample];
        EXPECT_EQ(first.rect.x, boxes[i].x) << "target " << ids[i] << " holds another target's samples";
        EXPECT_EQ(first.rect.width, boxes[i].width);
    }
    tracker.track();
    EXPECT_EQ(tracker.targets[1]->id, 7);

    tavo refused(ticks);
    refused.huePlane = plane.mat;
    EXPECT_FALSE(setUpTracker(refused, plane.mat, {Box{0, 0, 8, 8}, Box{500, 0, 8, 8}}, 40, 0.2f, 50, error, {4, 12}));
    EXPECT_NE(error.find("target 12 (box 500,0,8,8)"), std::string::npos) << error;
}

TEST(CliTrackerSetup, NoiseIsBoundedByTheFrame)
{
    EXPECT_FALSE(noiseRefusal(0.0f, 320, 240));
    EXPECT_FALSE(noiseRefusal(320.0f, 320, 240));
    EXPECT_FALSE(noiseRefusal(240.5f, 160, 320));
    for (const float noise : {320.5f, 1e37f, 3e38f}) {
        const auto refusal = noiseRefusal(noise, 320, 240);
        ASSERT_TRUE(refusal) << noise;
        EXPECT_NE(refusal->find("at most 320, the larger side of the frame (320x240)"), std::string::npos) << *refusal;
    }
}

TEST(CliTrackerSetup, ANonFiniteEstimateIsFoundInEveryField)
{
    Plane plane;
    CountingTickSource ticks(2);
    tavo tracker(ticks);
    tracker.huePlane = plane.mat;
    std::string error;
    ASSERT_TRUE(setUpTracker(tracker, plane.mat, {Box{10, 10, 8, 8}, Box{40, 40, 8, 8}}, 20, 0.2f, 50, error, {3, 8}))
        << error;
    EXPECT_EQ(firstNonFiniteEstimate(tracker), nullptr);
    Sample& e = tracker.targets[1]->estimate;
    float* fields[] = {&e.posX, &e.posY, &e.velX, &e.velY, &e.scaleX, &e.scaleY};
    for (float* field : fields) {
        for (const float bad : {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity()}) {
            const float kept = *field;
            *field = bad;
            const Target* found = firstNonFiniteEstimate(tracker);
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(found->id, 8);
            *field = kept;
        }
    }
}
