// What the robust preset promises on whole videos: a still object keeps its
// size, estimates stay in the frame, and a target whose object left says so
// and finds the object again when it comes back.

#include "session/tracking_session.h"

#include "patch_frames.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kWidth = 320, kHeight = 240;

// A still, textured background: grey blocks of several shades.
cv::Mat background() { return greyBlocks(kHeight, kWidth, 7); }

// An upright two-part figure: a light head over a uniform dark-blue body.
void drawFigure(cv::Mat& frame, const cv::Rect& box)
{
    const int head = box.height / 4;
    cv::rectangle(frame, cv::Rect(box.x, box.y, box.width, head), cv::Scalar(120, 170, 220), cv::FILLED);
    cv::rectangle(frame, cv::Rect(box.x, box.y + head, box.width, box.height - head), cv::Scalar(110, 40, 30),
                  cv::FILLED);
}

Box toBox(const cv::Rect& r) { return Box{r.x, r.y, r.width, r.height}; }

}  // namespace

TEST(RobustSession, AStillObjectKeepsItsSizeFor500Frames)
{
    const cv::Rect figure(140, 80, 30, 80);
    cv::Mat frame = background();
    drawFigure(frame, figure);
    std::string error;
    auto session = TrackingSession::start(frame, {toBox(figure)}, robustSettings(), 1, error);
    ASSERT_TRUE(session) << error;
    for (int i = 2; i <= 500; ++i) {
        ASSERT_EQ(session->step(frame), StepOutcome::Tracked);
        const TrackedTarget& t = session->targets()[0];
        ASSERT_NEAR(t.scaleX, 1.0, 0.1) << "frame " << i;
        ASSERT_NEAR(t.scaleY, 1.0, 0.1) << "frame " << i;
        ASSERT_NEAR(t.x, 155.0, 3.0) << "frame " << i;
        ASSERT_NEAR(t.y, 120.0, 3.0) << "frame " << i;
    }
}

// A lost target's search reaches far from where it lost its object: with
// the background compared near the targets alone, the area compared grows
// with it.
class RobustSessionNearOrWhole : public ::testing::TestWithParam<bool> {
protected:
    TrackingSettings settings() const
    {
        TrackingSettings s = robustSettings();
        s.colour.background.nearTargets = GetParam();
        return s;
    }
};

INSTANTIATE_TEST_SUITE_P(Background, RobustSessionNearOrWhole, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "NearTargets" : "WholeFrame"; });

TEST_P(RobustSessionNearOrWhole, ATargetThatLeavesIsLostInTheFrameAndFoundWhenItComesBack)
{
    // The figure walks out at the right edge, stays away, and comes back.
    const cv::Size size(24, 64);
    const auto boxAt = [&](int frameIndex) {
        const int x = frameIndex < 60 ? 200 + 3 * frameIndex : frameIndex < 120 ? 400 : 400 - 3 * (frameIndex - 120);
        return cv::Rect(cv::Point(x, 90), size);
    };
    const cv::Mat still = background();
    cv::Mat frame = still.clone();
    drawFigure(frame, boxAt(0));
    std::string error;
    auto session = TrackingSession::start(frame, {toBox(boxAt(0))}, settings(), 1, error);
    ASSERT_TRUE(session) << error;
    bool lostWhileAway = false, foundAgain = false;
    for (int i = 1; i < 200; ++i) {
        frame = still.clone();
        drawFigure(frame, boxAt(i));
        ASSERT_EQ(session->step(frame), StepOutcome::Tracked);
        const TrackedTarget& t = session->targets()[0];
        // At least half the box lies in the frame, lost or not.
        const double insideW = std::min<double>(kWidth, t.box.x + t.box.width) - std::max(0.0, t.box.x);
        const double insideH = std::min<double>(kHeight, t.box.y + t.box.height) - std::max(0.0, t.box.y);
        ASSERT_GE(std::max(0.0, insideW) * std::max(0.0, insideH), 0.5 * t.box.width * t.box.height - 1e-6)
            << "frame " << i + 1;
        if (i >= 100 && i < 120) {
            EXPECT_TRUE(t.lost) << "frame " << i + 1;
            EXPECT_EQ(t.confidence, 0.0);
            lostWhileAway = lostWhileAway || t.lost;
        }
        if (i >= 190) {
            const cv::Rect truth = boxAt(i);
            EXPECT_FALSE(t.lost) << "frame " << i + 1;
            EXPECT_NEAR(t.x, truth.x + 0.5 * truth.width, 6.0) << "frame " << i + 1;
            foundAgain = !t.lost;
        }
    }
    EXPECT_TRUE(lostWhileAway);
    EXPECT_TRUE(foundAgain);
}

TEST(RobustSession, ALostTargetKeepsItsLastGoodBox)
{
    // The figure vanishes: the box stays where it was last seen, with its size.
    const cv::Rect figure(100, 60, 30, 80);
    cv::Mat frame = background();
    const cv::Mat empty = frame.clone();
    drawFigure(frame, figure);
    std::string error;
    auto session = TrackingSession::start(frame, {toBox(figure)}, robustSettings(), 3, error);
    ASSERT_TRUE(session) << error;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(session->step(frame), StepOutcome::Tracked);
    const TrackedTarget seen = session->targets()[0];
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(session->step(empty), StepOutcome::Tracked);
    const TrackedTarget& t = session->targets()[0];
    ASSERT_TRUE(t.lost);
    EXPECT_NEAR(t.box.x, seen.box.x, 2.0);
    EXPECT_NEAR(t.box.y, seen.box.y, 2.0);
    EXPECT_NEAR(t.box.width, seen.box.width, 2.0);
    EXPECT_NEAR(t.box.height, seen.box.height, 2.0);
    EXPECT_EQ(t.velocityX, 0.0f);
}

TEST(RobustSession, ATargetPassingStillThingsOfItsOwnColoursIsNotLost)
{
    // Still figures dressed as the target stand in its way: where it passes
    // them, nothing moves against the background, yet its colours are in
    // view, so it is not lost.
    cv::Mat still = background();
    for (const int x : {150, 178, 206})
        drawFigure(still, cv::Rect(x, 90, 24, 64));
    const auto boxAt = [](int i) { return cv::Rect(60 + 2 * i, 92, 24, 64); };
    cv::Mat frame = still.clone();
    drawFigure(frame, boxAt(0));
    std::string error;
    auto session = TrackingSession::start(frame, {toBox(boxAt(0))}, robustSettings(), 1, error);
    ASSERT_TRUE(session) << error;
    int onIt = 0;  // frames with the centre within a third of the width
    for (int i = 1; i < 100; ++i) {
        frame = still.clone();
        drawFigure(frame, boxAt(i));
        ASSERT_EQ(session->step(frame), StepOutcome::Tracked);
        const TrackedTarget& t = session->targets()[0];
        EXPECT_FALSE(t.lost) << "frame " << i + 1;
        onIt += std::abs(t.x - (boxAt(i).x + 12)) <= 8.0;
    }
    EXPECT_GE(onIt, 95);
    EXPECT_NEAR(session->targets()[0].x, boxAt(99).x + 12, 8.0) << "on its object after passing them";
}

TEST(RobustSession, TheCalibratedConfidenceTrustsAFollowedFigureAndNotAVanishedOne)
{
    // The figure walks right, then vanishes.  The calibrated confidence (the
    // preset's) must be above the threshold of trust while the box is on the
    // figure and below it once the figure is gone; the likelihood's level
    // says neither.  The setting changes nothing but the confidence.
    const auto boxAt = [](int frameIndex) { return cv::Rect(60 + 2 * frameIndex, 80, 30, 80); };
    const cv::Mat still = background();
    const auto frameAt = [&](int frameIndex) {
        cv::Mat frame = still.clone();
        if (frameIndex < 40)
            drawFigure(frame, boxAt(frameIndex));
        return frame;
    };
    TrackingSettings likelihood = robustSettings();
    likelihood.confidence.kind = ConfidenceKind::Likelihood;
    std::string error;
    auto calibrated = TrackingSession::start(frameAt(0), {toBox(boxAt(0))}, robustSettings(), 5, error);
    auto plain = TrackingSession::start(frameAt(0), {toBox(boxAt(0))}, likelihood, 5, error);
    ASSERT_TRUE(calibrated && plain) << error;
    for (int i = 1; i < 60; ++i) {
        ASSERT_EQ(calibrated->step(frameAt(i)), StepOutcome::Tracked);
        ASSERT_EQ(plain->step(frameAt(i)), StepOutcome::Tracked);
        const TrackedTarget& c = calibrated->targets()[0];
        const TrackedTarget& p = plain->targets()[0];
        ASSERT_EQ(c.box.x, p.box.x) << "frame " << i + 1;
        ASSERT_EQ(c.box.width, p.box.width) << "frame " << i + 1;
        ASSERT_EQ(c.lost, p.lost) << "frame " << i + 1;
        EXPECT_GE(c.confidence, 0.0);
        EXPECT_LE(c.confidence, 1.0);
        if (i >= 5 && i < 40) {
            EXPECT_GE(c.confidence, kTrustedConfidence) << "frame " << i + 1 << ", on the figure";
        } else if (i >= 40) {
            EXPECT_LT(c.confidence, kTrustedConfidence) << "frame " << i + 1 << ", the figure gone";
        }
    }
}
