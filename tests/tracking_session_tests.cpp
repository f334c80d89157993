// The tracking session: what start refuses, how it sizes and seeds the
// tracker, the ids it gives, and what a step reports.

#include "session/tracking_session.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "patch_frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {


TrackingSettings small(int samples = 40)
{
    TrackingSettings s;
    s.tracking.samples = samples;
    s.tracking.iterations = 50;
    return s;
}

// Seeding stores the tick read plus the state's index, all ones for 0.
uint64_t seededState(uint64_t read, uint64_t index)
{
    const uint64_t s = read + index;
    return s == 0 ? ~uint64_t{0} : s;
}

}  // namespace

TEST(TrackerSeeding, EveryPoolIsSeededFromTheCountingSourceInOrder)
{
    // The store's noise pool reads first (2 states), then the joint pool
    // (one state per target block); read k gives T + k.
    const cv::Mat frame = patches();
    for (const int64_t start : {int64_t{1000}, int64_t{0}, int64_t{-2}, int64_t{-7}, INT64_MAX - 3}) {
        CountingTickSource ticks(start);
        tavo tracker(ticks);
        CvMat plane = cvMat(frame);
        ASSERT_TRUE(tracker.init(&plane, 50, 10));
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

TEST(TrackingSession, UpToTenTargetsTheStoreIsSizedAsInTheDemoBeyondABlockEach)
{
    std::string error;
    TrackingSettings settings = small();
    settings.tracking.noise = 0.75f;
    const std::vector<Box> three{{10, 10, 18, 18}, {60, 40, 12, 20}, {-5, 100, 18, 40}};  // the last partly outside
    auto session = TrackingSession::start(patches(), three, settings, 1, error);
    ASSERT_TRUE(session) << error;
    const tavo& tracker = session->tracker();
    EXPECT_EQ(tracker.sampleCapacity, 400);
    EXPECT_EQ(tracker.maxTargets, 10);
    EXPECT_EQ(tracker.defaultSampleCount, 40);
    EXPECT_EQ(tracker.tableMask, 0x3ffff);
    EXPECT_EQ(tracker.frameWidth, 160.0f);
    EXPECT_EQ(tracker.frameHeight, 120.0f);
    EXPECT_EQ(tracker.noiseScaleX, 0.75f);
    EXPECT_EQ(tracker.noiseScaleY, 0.75f);
    ASSERT_EQ(session->targets().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tracker.targets[i]->baseWidth, static_cast<float>(three[i].width));
        EXPECT_EQ(tracker.targets[i]->baseHeight, static_cast<float>(three[i].height));
    }

    std::vector<Box> twelve;
    for (int i = 0; i < 12; ++i)
        twelve.push_back(Box{(i % 6) * 25, (i / 6) * 50, 16, 16});
    session = TrackingSession::start(patches(), twelve, small(30), 50, error);
    ASSERT_TRUE(session) << error;
    EXPECT_EQ(session->tracker().sampleCapacity, 360);
    EXPECT_EQ(session->tracker().maxTargets, 12);
    ASSERT_EQ(session->tracker().jointPool.count, 12);
    EXPECT_EQ(session->step(patches(2)), StepOutcome::Tracked) << "every target has its pool state";
}

TEST(TrackingSession, EverySessionNumbersItsTargetsFromOneOrAfterTheHighestIdGiven)
{
    std::string error;
    for (int run = 0; run < 2; ++run) {  // the second session in the process too
        auto session = TrackingSession::start(patches(), {Box{10, 10, 18, 18}, Box{60, 40, 12, 20}}, small(), 1, error);
        ASSERT_TRUE(session) << error;
        EXPECT_EQ(session->targets()[0].id, 1);
        EXPECT_EQ(session->targets()[1].id, 2);
    }
    // Given ids are kept, in any order; each target holds its own samples
    // (without noise, exactly its box).
    TrackingSettings still = small();
    still.tracking.noise = 0.0f;
    const std::vector<TargetStart> given{{{10, 10, 18, 18}, 9}, {{60, 40, 12, 20}, 0}, {{100, 80, 16, 16}, 4}};
    auto session = TrackingSession::start(patches(), given, still, 9, error);
    ASSERT_TRUE(session) << error;
    const int expected[] = {9, 10, 4};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(session->targets()[i].id, expected[i]);
        const Target& t = *session->tracker().targets[i];
        EXPECT_EQ(session->tracker().samples[t.firstSample].rect.x, given[i].box.x);
    }
    EXPECT_FALSE(TrackingSession::start(patches(), {{{0, 0, 8, 8}, 3}, {{20, 20, 8, 8}, 3}}, still, 1, error));
    EXPECT_NE(error.find("target id 3 is given twice"), std::string::npos) << error;
}

TEST(TrackingSession, StartRefusesWhatCannotBeTrackedNamingIt)
{
    std::string error;
    const Box outside[] = {{160, 0, 10, 10}, {0, 120, 10, 10}, {-10, 0, 10, 10}, {0, -10, 10, 10}};
    for (const Box& b : outside) {
        EXPECT_FALSE(TrackingSession::start(patches(), {{{0, 0, 10, 10}, 0}, {b, 12}}, small(), 1, error));
        EXPECT_NE(error.find("target 12 (box "), std::string::npos) << error;
        EXPECT_NE(error.find("lies wholly outside the first frame (160x120)"), std::string::npos) << error;
    }
    TrackingSettings bad = small();
    bad.tracking.threads = 0;
    bad.motion.spread = 2.0;
    EXPECT_FALSE(TrackingSession::start(patches(), {Box{0, 0, 10, 10}}, bad, 1, error));
    EXPECT_EQ(error, "threads 0: expected an integer from 1 to 64") << "the first problem, in the record's order";
    EXPECT_EQ(settingProblems(bad).size(), 2u);

    bad = small();
    bad.tracking.noise = 160.5f;
    EXPECT_FALSE(TrackingSession::start(patches(), {Box{0, 0, 10, 10}}, bad, 1, error));
    EXPECT_NE(error.find("at most 160, the larger side of the frame (160x120)"), std::string::npos) << error;
    bad.tracking.noise = 160.0f;
    EXPECT_TRUE(TrackingSession::start(patches(), {Box{0, 0, 10, 10}}, bad, 1, error)) << error;

    cv::Mat grey(120, 160, CV_8UC1, cv::Scalar(0));
    EXPECT_FALSE(TrackingSession::start(grey, {Box{0, 0, 10, 10}}, small(), 1, error));
    EXPECT_FALSE(TrackingSession::start(patches(), std::vector<Box>{}, small(), 1, error));
}

TEST(TrackingSession, TheJointMoveRunsTheChosenIterations)
{
    // One target has no neighbours, so every iteration adds a vote of
    // exactly 1 to one of its samples.
    for (const int iterations : {7, 5000}) {
        TrackingSettings settings = small(64);
        settings.tracking.iterations = iterations;
        std::string error;
        auto session = TrackingSession::start(patches(), {Box{40, 40, 18, 18}}, settings, 3, error);
        ASSERT_TRUE(session) << error;
        const tavo& tracker = session->tracker();
        double votes = 0;
        const Target& t = *tracker.targets[0];
        for (int i = t.firstSample; i < t.endSample; ++i)
            votes += tracker.samples[i].vote;
        EXPECT_NEAR(votes, iterations, 1e-3);
    }
}

TEST(TrackingSession, AFrameOfAnotherKindChangesNothingAndABrokenEstimateIsNamed)
{
    std::string error;
    auto session = TrackingSession::start(patches(), {{{10, 10, 8, 8}, 3}, {{40, 40, 8, 8}, 8}}, small(), 2, error);
    ASSERT_TRUE(session) << error;
    const std::vector<TrackedTarget> before = session->targets();
    EXPECT_EQ(session->step(cv::Mat(60, 80, CV_8UC3, cv::Scalar(1, 2, 3))), StepOutcome::OtherFrameKind);
    EXPECT_EQ(session->step(cv::Mat(120, 160, CV_8UC1, cv::Scalar(1))), StepOutcome::OtherFrameKind);
    EXPECT_EQ(session->frameNumber(), 1);
    EXPECT_EQ(session->targets()[1].x, before[1].x);

    // Every sample of target 8 moved to a position that is not a number.
    tavo& tracker = session->tracker();
    const Target& t = *tracker.targets[1];
    for (int i = t.firstSample; i < t.endSample; ++i)
        tracker.samples[i].posY = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(session->step(patches(1)), StepOutcome::BrokenDown);
    EXPECT_NE(session->error().find("the estimate of target 8 is not finite on frame 2"), std::string::npos)
        << session->error();
}

TEST(TrackingSession, AStopFlagEndsTheStepAndKeepsTheLastResults)
{
    std::atomic<bool> stop{false};
    std::string error;
    auto session = TrackingSession::start(patches(), {TargetStart{{10, 10, 18, 18}, 0}}, small(), 4, error, {}, &stop);
    ASSERT_TRUE(session) << error;
    ASSERT_EQ(session->step(patches(1)), StepOutcome::Tracked);
    const TrackedTarget before = session->targets()[0];
    stop = true;
    EXPECT_EQ(session->step(patches(2)), StepOutcome::Interrupted);
    EXPECT_EQ(session->frameNumber(), 3);
    EXPECT_EQ(session->targets()[0].x, before.x) << "the unfinished frame's estimates are not taken";

    EXPECT_FALSE(TrackingSession::start(patches(), {TargetStart{{10, 10, 18, 18}, 0}}, small(), 4, error, {}, &stop));
    EXPECT_NE(error.find("stopped on frame 1"), std::string::npos) << error;
}

TEST(TrackingSession, ResultsAreTheEstimatesAndTheBoxesTheyStandFor)
{
    TrackingSettings settings = robustSettings();
    settings.tracking.samples = 60;
    settings.fit.enabled = false;  // fitted boxes widen the estimate's: see BoxFitter's tests
    settings.motion.coastWhenJoined = false;
    std::string error;
    auto session = TrackingSession::start(patches(), {Box{20, 30, 18, 24}}, settings, 5, error);
    ASSERT_TRUE(session) << error;
    EXPECT_EQ(session->settings().surround, 0.0) << "the foreground cue's ring replaces the colour surround";
    for (int f = 1; f <= 3; ++f)
        ASSERT_EQ(session->step(patches(f)), StepOutcome::Tracked);
    EXPECT_EQ(session->frameNumber(), 4);
    const TrackedTarget& r = session->targets()[0];
    const Sample& e = session->tracker().targets[0]->estimate;
    EXPECT_EQ(r.x, e.posX);
    EXPECT_EQ(r.scaleY, e.scaleY);
    EXPECT_DOUBLE_EQ(r.box.width, 18.0 * e.scaleX);
    EXPECT_DOUBLE_EQ(r.box.y, e.posY - 0.5 * 24.0 * e.scaleY);
    EXPECT_GE(r.confidence, 0.0);
    EXPECT_LE(r.confidence, 1.0);

    // Drawing needs no state of its own: the same picture twice, and the
    // session's frame stays as it was read.
    cv::Mat once = session->frame().clone(), twice = session->frame().clone();
    session->draw(once);
    session->draw(twice);
    EXPECT_EQ(cv::norm(once, twice, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::norm(once, session->frame(), cv::NORM_INF), 0.0);
    EXPECT_EQ(cv::norm(session->frame(), patches(3), cv::NORM_INF), 0.0);
}

TEST(TrackingSession, ATargetOfALaterFrameJoinsThenWithItsBoxAndId)
{
    const std::vector<TargetStart> both = {{Box{20, 20, 20, 20}, 7, 1}, {Box{100, 60, 20, 20}, 0, 3}};
    std::string error;
    auto session = TrackingSession::start(patches(), both, small(), 5, error);
    ASSERT_TRUE(session) << error;
    auto alone = TrackingSession::start(patches(), {{Box{20, 20, 20, 20}, 7, 1}}, small(), 5, error);
    ASSERT_TRUE(alone) << error;
    for (int frame = 2; frame <= 3; ++frame) {
        ASSERT_EQ(session->targets().size(), 1u) << frame;
        // Until it joins, the first target is tracked as if alone.
        EXPECT_EQ(session->targets()[0].x, alone->targets()[0].x) << frame;
        EXPECT_EQ(session->targets()[0].y, alone->targets()[0].y) << frame;
        ASSERT_EQ(session->step(patches(frame)), StepOutcome::Tracked);
        ASSERT_EQ(alone->step(patches(frame)), StepOutcome::Tracked);
    }
    ASSERT_EQ(session->targets().size(), 2u);
    const TrackedTarget& late = session->targets()[1];
    EXPECT_EQ(late.id, 8);  // after the highest id given
    EXPECT_EQ(late.box.x, 100);
    EXPECT_EQ(late.box.y, 60);
    EXPECT_EQ(late.box.width, 20);
    EXPECT_EQ(late.box.height, 20);
    ASSERT_EQ(session->step(patches(4)), StepOutcome::Tracked);
    EXPECT_EQ(session->targets()[0].id, 7);
    EXPECT_EQ(session->targets()[1].id, 8);
    EXPECT_LT(std::hypot(session->targets()[1].x - 110 + 4, session->targets()[1].y - 70), 10.0);

    // The same with appearance models, which learn the late target from
    // its own frame.
    TrackingSettings robust = robustSettings();
    robust.tracking.samples = 40;
    session = TrackingSession::start(patches(), both, robust, 5, error);
    ASSERT_TRUE(session) << error;
    for (int frame = 2; frame <= 4; ++frame)
        ASSERT_EQ(session->step(patches(frame)), StepOutcome::Tracked);
    ASSERT_EQ(session->targets().size(), 2u);
    EXPECT_LT(std::hypot(session->targets()[1].x - 110 + 4, session->targets()[1].y - 70), 10.0);

    // Frames count from 1, and the first frame needs a target.
    EXPECT_FALSE(TrackingSession::start(patches(), {{Box{20, 20, 20, 20}, 0, 0}}, small(), 5, error));
    EXPECT_EQ(error, "a target joins on frame 0: frames count from 1");
    EXPECT_FALSE(TrackingSession::start(patches(), {{Box{20, 20, 20, 20}, 0, 2}}, small(), 5, error));
    EXPECT_EQ(error, "no targets on the first frame");
    // Ids are unique over all frames; boxes are checked up front.
    EXPECT_FALSE(TrackingSession::start(patches(), {{Box{20, 20, 20, 20}, 2, 1}, {Box{60, 20, 20, 20}, 2, 9}},
                                        small(), 5, error));
    EXPECT_EQ(error, "target id 2 is given twice");
    EXPECT_FALSE(TrackingSession::start(patches(), {{Box{20, 20, 20, 20}, 0, 1}, {Box{600, 20, 20, 20}, 0, 9}},
                                        small(), 5, error));
    EXPECT_NE(error.find("target 2 (box 600,20,20,20) lies wholly outside"), std::string::npos) << error;
}
