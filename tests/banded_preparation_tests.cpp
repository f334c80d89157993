// The frame-wide preparation split into bands of rows: the upright copy,
// HSV, hue plane and mean brightness come out the same, bit for bit, on
// any number of threads as on one, and so does a whole --robust run.

#include "appearance/frame_brightness.h"
#include "core/frame_preparation.h"
#include "replay/textured_scene.h"
#include "session/tracking_session.h"
#include "support/worker_pool.h"

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

cv::Mat randomFrame(cv::Size size, uint64 seed)
{
    cv::Mat frame(size, CV_8UC3);
    cv::RNG(seed).fill(frame, cv::RNG::UNIFORM, 0, 256);
    return frame;
}

// Sizes with rows fewer than, equal to and more than the threads, and
// widths shorter than a vector and with a tail after the last whole one.
const cv::Size kSizes[] = {{1, 1}, {7, 2}, {16, 3}, {37, 23}, {161, 97}};

TEST(BandedPreparation, EveryThreadCountGivesOneThreadsImages)
{
    for (const cv::Size size : kSizes)
        for (const int origin : {0, 1})
            for (int threads = 1; threads <= 3; ++threads) {
                SCOPED_TRACE(testing::Message() << size << ", origin " << origin << ", " << threads << " threads");
                cv::Mat pixels = randomFrame(size, 11);
                IplImage frame = cvIplImage(pixels);
                frame.origin = origin;
                FrameImages alone, banded;
                WorkerPool pool(threads);
                pool.setMinBandPixels(1);  // bands however small the frame
                ASSERT_TRUE(prepareFrame(&frame, alone));
                ASSERT_TRUE(prepareFrame(&frame, banded, true, &pool));
                EXPECT_TRUE(same(cv::cvarrToMat(banded.display), cv::cvarrToMat(alone.display)));
                EXPECT_TRUE(same(cv::cvarrToMat(banded.hsv), cv::cvarrToMat(alone.hsv)));
                EXPECT_TRUE(same(cv::cvarrToMat(banded.hue), cv::cvarrToMat(alone.hue)));
                // The hue plane is the HSV's channel 0, tail pixels included.
                cv::Mat hue;
                cv::extractChannel(cv::cvarrToMat(alone.hsv), hue, 0);
                EXPECT_TRUE(same(cv::cvarrToMat(alone.hue), hue));
            }
}

TEST(BandedPreparation, MeanBrightnessAndChannelMeansAreOpenCvsMeanBitForBit)
{
    for (const cv::Size size : kSizes)
        for (int threads = 1; threads <= 3; ++threads) {
            SCOPED_TRACE(testing::Message() << size << ", " << threads << " threads");
            WorkerPool pool(threads);
            pool.setMinBandPixels(1);
            BrightnessMean mean;
            ChannelMeans channels;
            for (const uint64 seed : {1, 2, 3}) {
                const cv::Mat hsv = randomFrame(size, seed);
                EXPECT_EQ(mean.of(hsv, &pool), cv::mean(hsv)[2]);
                // From a BGR frame, as its HSV conversion's brightness.
                cv::Mat converted;
                cv::cvtColor(hsv, converted, cv::COLOR_BGR2HSV);
                EXPECT_EQ(mean.ofBgr(hsv, &pool), cv::mean(converted)[2]);
                const cv::Scalar each = channels.of(hsv, &pool), expected = cv::mean(hsv);
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(each[c], expected[c]) << "channel " << c;
            }
        }
    // A full-size white frame: sums past what 32 bits hold.
    const cv::Mat white(2160, 3840, CV_8UC3, cv::Scalar::all(255));
    WorkerPool pool(2);
    BrightnessMean mean;
    EXPECT_EQ(mean.of(white, &pool), 255.0);
    EXPECT_EQ(mean.of(white(cv::Rect(0, 0, 1001, 999)), &pool), cv::mean(white(cv::Rect(0, 0, 1001, 999)))[2]);
    EXPECT_EQ(ChannelMeans().of(white, &pool), cv::Scalar(255, 255, 255, 0));
}

// --robust (light normalised, background, camera auto, fitted boxes) on a
// textured scene whose light dims and returns, over the whole frame and
// near the targets alone: every result the same on two and three threads
// as on one.
class RobustOnThreads : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(BandedPreparation, RobustOnThreads, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "NearTargets" : "WholeFrame"; });

TEST_P(RobustOnThreads, RunsAreTheSameOnEveryThreadCount)
{
    constexpr int kFrames = 24;
    const TexturedScene scene(203, 157, 3, 24, 40);
    auto frameAt = [&](int f) {
        cv::Mat frame = scene.frameAt(f);
        const double light = 1.0 - 0.03 * (f % 8);
        frame.convertTo(frame, -1, light);
        return frame;
    };
    std::vector<std::unique_ptr<TrackingSession>> runs;
    for (int threads = 1; threads <= 3; ++threads) {
        TrackingSettings settings = robustSettings();
        settings.tracking.threads = threads;
        settings.colour.background.nearTargets = GetParam();
        std::string error;
        runs.push_back(TrackingSession::start(frameAt(0), scene.startBoxes(), settings, 5, error));
        ASSERT_TRUE(runs.back()) << error;
    }
    for (int f = 1; f < kFrames; ++f)
        for (auto& run : runs) {
            ASSERT_EQ(run->step(frameAt(f)), StepOutcome::Tracked);
            const auto& expected = runs[0]->targets();
            const auto& actual = run->targets();
            ASSERT_EQ(expected.size(), actual.size());
            for (size_t t = 0; t < expected.size(); ++t) {
                SCOPED_TRACE(testing::Message() << "frame " << f + 1 << ", target " << t);
                EXPECT_EQ(expected[t].x, actual[t].x);
                EXPECT_EQ(expected[t].y, actual[t].y);
                EXPECT_EQ(expected[t].scaleX, actual[t].scaleX);
                EXPECT_EQ(expected[t].scaleY, actual[t].scaleY);
                EXPECT_EQ(expected[t].confidence, actual[t].confidence);
                EXPECT_EQ(expected[t].box.width, actual[t].box.width);
            }
        }
}

}  // namespace
