// Runs the demo scenario headless on the demo video and compares every
// target's estimate with the video's ground truth, frame by frame.

#include "core/demo_scenario.h"
#include "core/frame_preparation.h"
#include "inputs/video_capture.h"
#include "core/tick_source.h"
#include "core/tavo.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kVideo = std::string(TAVO_BINARY_DIR) + "/TAVO_DEMO.avi";
const std::string kTruth = std::string(TAVO_BINARY_DIR) + "/TAVO_DEMO.gt.txt";
constexpr double kHalfTargetSize = 9.0;

struct Centre {
    double x = 0.0, y = 0.0;
};
using FrameCentres = std::array<Centre, kDemoTargetCount>;

double distance(const Centre& a, const Centre& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Ground-truth centres per frame (index 0 is frame 1), ids 1..9.
std::vector<FrameCentres> loadTruth(const std::string& path)
{
    std::vector<FrameCentres> frames;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        int frame = 0, id = 0;
        double x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(line.c_str(), "%d,%d,%lf,%lf,%lf,%lf", &frame, &id, &x, &y, &w, &h) != 6 ||
            frame < 1 || id < 1 || id > kDemoTargetCount)
            continue;
        if (static_cast<size_t>(frame) > frames.size())
            frames.resize(frame);
        frames[frame - 1][id - 1] = {x + w / 2, y + h / 2};
    }
    return frames;
}

// The joint move's iterations of the demo tracker, and none at all: then
// the move only mixes every target's likelihoods with uniform votes, and
// neighbours never repel.
constexpr int kWithoutInteraction = 0;

// The demo's frame loop without a window: estimate centres per frame, in
// the order of the tracker's targets.
std::vector<FrameCentres> runDemo(int64_t seed, int jointIterations = kStandardJointIterations)
{
    std::vector<FrameCentres> estimates;
    CountingTickSource ticks(seed);
    tavo tracker(ticks);
    tracker.jointIterations = jointIterations;
    FileCapture* capture = createFileCapture(kVideo.c_str());
    FrameImages images;
    bool firstFrame = true;
    for (IplImage* frame = queryFrame(capture); frame; frame = queryFrame(capture)) {
        if (!prepareFrame(frame, images))
            break;
        trackDemoFrame(tracker, images, firstFrame);
        FrameCentres centres;
        for (size_t i = 0; i < tracker.targets.size() && i < centres.size(); ++i)
            centres[i] = {tracker.targets[i]->estimate.posX, tracker.targets[i]->estimate.posY};
        estimates.push_back(centres);
        if (tracker.targets.size() != centres.size())
            break;
    }
    releaseCapture(&capture);
    return estimates;
}

struct Outcome {
    std::array<double, kDemoTargetCount> meanError{};
    std::array<double, kDemoTargetCount> maxError{};
    int lostFrames = 0;     // target-frames more than half a target from its object
    int swappedFrames = 0;  // target-frames closer to another object than to its own
    std::string firstFailure;
};

Outcome compare(const std::vector<FrameCentres>& estimates, const std::vector<FrameCentres>& truth)
{
    Outcome out;
    for (size_t f = 0; f < estimates.size(); ++f) {
        for (int t = 0; t < kDemoTargetCount; ++t) {
            const double own = distance(estimates[f][t], truth[f][t]);
            out.meanError[t] += own / estimates.size();
            out.maxError[t] = std::max(out.maxError[t], own);
            int closest = t;
            for (int o = 0; o < kDemoTargetCount; ++o)
                if (distance(estimates[f][t], truth[f][o]) <
                    distance(estimates[f][t], truth[f][closest]))
                    closest = o;
            const bool lost = own > kHalfTargetSize;
            out.lostFrames += lost;
            out.swappedFrames += closest != t;
            if ((lost || closest != t) && out.firstFailure.empty()) {
                std::ostringstream what;
                what << "frame " << f + 1 << ": target " << t + 1 << " is " << own
                     << " px from its object";
                if (closest != t)
                    what << " and nearer to object " << closest + 1;
                out.firstFailure = what.str();
            }
        }
    }
    return out;
}

void report(const char* title, const Outcome& out)
{
    std::cout << title << "\n  target  mean error  max error (px)\n" << std::fixed
              << std::setprecision(2);
    for (int t = 0; t < kDemoTargetCount; ++t)
        std::cout << "  " << std::setw(6) << t + 1 << std::setw(12) << out.meanError[t]
                  << std::setw(11) << out.maxError[t] << "\n";
}

// On the first frame the objects sit exactly on the demo's initial target
// rectangles: the ground truth says so, and the pixels agree (coloured
// inside, grey around).
TEST(DemoVideo, StartsOnTheDemoTargets)
{
    std::ifstream in(kTruth);
    ASSERT_TRUE(in) << kTruth << " is missing: build the demo_video target";
    std::string line;
    for (int i = 0; i < kDemoTargetCount; ++i) {
        ASSERT_TRUE(std::getline(in, line));
        const Box& box = kDemoTargets[i];
        std::ostringstream expected;
        expected << "1," << i + 1 << "," << box.x << "," << box.y << "," << box.width << ","
                 << box.height << ",1,-1,-1,-1";
        EXPECT_EQ(line, expected.str());
    }

    FileCapture* capture = createFileCapture(kVideo.c_str());
    ASSERT_NE(capture, nullptr) << kVideo << " is missing: build the demo_video target";
    FrameImages images;
    ASSERT_TRUE(prepareFrame(queryFrame(capture), images));
    releaseCapture(&capture);
    cv::Mat saturation;
    cv::extractChannel(cv::cvarrToMat(images.hsv), saturation, 1);
    // The saturated pixels around every rectangle form the rectangle: about
    // 18 x 18 of them (compression blurs the edges), centred on it.
    for (const Box& box : kDemoTargets) {
        const cv::Rect window(box.x - 6, box.y - 6, box.width + 12, box.height + 12);
        cv::Mat coloured;
        cv::threshold(saturation(window), coloured, 128, 1, cv::THRESH_BINARY);
        const cv::Moments m = cv::moments(coloured, true);
        ASSERT_GT(m.m00, 0);
        EXPECT_NEAR(m.m00, box.width * box.height, 80);
        EXPECT_NEAR(window.x + m.m10 / m.m00 + 0.5, box.x + box.width / 2.0, 0.5);
        EXPECT_NEAR(window.y + m.m01 / m.m00 + 0.5, box.y + box.height / 2.0, 0.5);
    }
}

class DemoTracking : public ::testing::TestWithParam<int64_t> {
protected:
    static void SetUpTestSuite()
    {
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
    }

    void SetUp() override
    {
        truth_ = loadTruth(kTruth);
        ASSERT_FALSE(truth_.empty())
            << kTruth << " is missing or empty: build the demo_video target";
        FileCapture* capture = createFileCapture(kVideo.c_str());
        ASSERT_NE(capture, nullptr) << kVideo << " is missing: build the demo_video target";
        releaseCapture(&capture);
    }

    std::vector<FrameCentres> truth_;
};

// Every target stays on its own object through the whole video: within half
// a target size of its centre, and never nearer to another object.
TEST_P(DemoTracking, EveryTargetFollowsItsOwnObject)
{
    const auto started = std::chrono::steady_clock::now();
    const auto estimates = runDemo(GetParam());
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - started;
    ASSERT_EQ(estimates.size(), truth_.size());
    const Outcome out = compare(estimates, truth_);
    report(("seed " + std::to_string(GetParam())).c_str(), out);
    std::cout << "  " << elapsed.count() / estimates.size() << " ms per frame (informative)\n";
    EXPECT_EQ(out.lostFrames, 0) << out.firstFailure;
    EXPECT_EQ(out.swappedFrames, 0) << out.firstFailure;
}

INSTANTIATE_TEST_SUITE_P(Seeds, DemoTracking, ::testing::Values(1, 424242));

// The video is hard enough that the interaction matters: without the
// repulsion between neighbours, some target leaves its object.
TEST(DemoTrackingWithoutInteraction, LosesATarget)
{
    const auto truth = loadTruth(kTruth);
    ASSERT_FALSE(truth.empty()) << kTruth << " is missing or empty: build the demo_video target";
    const auto estimates = runDemo(1, kWithoutInteraction);
    ASSERT_EQ(estimates.size(), truth.size());
    const Outcome out = compare(estimates, truth);
    report("seed 1 without interaction", out);
    std::cout << "  first failure: " << out.firstFailure << "\n";
    EXPECT_GT(out.lostFrames + out.swappedFrames, 0);
}

}  // namespace
