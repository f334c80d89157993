// Fitted boxes held to what moves and to the target's recent sizes: a
// patch that leaks along a strip of the object's colours is not reported,
// an object that comes closer still is, and a widening over still pixels
// is refused.

#include "appearance/box_fitting.h"
#include "appearance/box_growth.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr uint8_t kGround = 5, kObject = 9;

cv::Mat plainBins() { return cv::Mat(120, 200, CV_8U, cv::Scalar(kGround)); }

RealBox real(const cv::Rect& r) { return RealBox{double(r.x), double(r.y), double(r.width), double(r.height)}; }

// An upright 12x36 bar at (70, 40), moving: all of it differs from the background.
struct Bar {
    const cv::Rect box{70, 40, 12, 36};
    cv::Mat bins = plainBins();
    cv::Mat foreground = cv::Mat(bins.size(), CV_8U, cv::Scalar(0));
    Bar()
    {
        bins(box).setTo(kObject);
        foreground(box).setTo(255);
    }
};

}  // namespace

TEST(BoxGrowth, APatchLeakingAlongAStripOfTheObjectsColoursIsNotReported)
{
    Bar bar;
    BoxFitter guarded(true), unguarded(false);
    for (BoxFitter* f : {&guarded, &unguarded})
        f->learn(0, real(bar.box), bar.bins, &bar.foreground);
    // A thin moving strip of its colours (a shadow, a cable) touches it:
    // the patch keeps about the object's count but its box triples in width.
    const cv::Rect strip(82, 60, 26, 2);
    bar.bins(strip).setTo(kObject);
    bar.foreground(strip).setTo(255);
    const RealBox first{0, 0, 12, 36};
    EXPECT_EQ(unguarded.fit(0, real(bar.box), first, bar.bins, &bar.foreground), BoxFitter::Fit::Fitted);
    ASSERT_NE(unguarded.fitted(0), nullptr);
    EXPECT_GT(unguarded.fitted(0)->width, 36.0);
    EXPECT_EQ(guarded.fit(0, real(bar.box), first, bar.bins, &bar.foreground), BoxFitter::Fit::Leaked);
    EXPECT_EQ(guarded.fitted(0), nullptr);
    // Once the strip is gone the object's own box is fitted again.
    bar.bins(strip).setTo(kGround);
    EXPECT_EQ(guarded.fit(0, real(bar.box), first, bar.bins, &bar.foreground), BoxFitter::Fit::Fitted);
    ASSERT_NE(guarded.fitted(0), nullptr);
    EXPECT_DOUBLE_EQ(guarded.fitted(0)->width, 12.0);
}

TEST(BoxGrowth, AnObjectComingCloserKeepsItsFittedBox)
{
    // It grows by 2 % a side a frame for 30 frames (to 1.8 times its size),
    // while the filter's box lags a frame behind.
    Bar bar;
    BoxFitter fitter(true);
    fitter.learn(0, real(bar.box), bar.bins, &bar.foreground);
    cv::Rect last = bar.box;
    for (int frame = 1; frame <= 30; ++frame) {
        const double side = std::pow(1.02, frame);
        const cv::Rect now(70, 40, static_cast<int>(std::lround(12 * side)), static_cast<int>(std::lround(36 * side)));
        cv::Mat bins = plainBins(), foreground(bins.size(), CV_8U, cv::Scalar(0));
        bins(now).setTo(kObject);
        foreground(now).setTo(255);
        ASSERT_EQ(fitter.fit(0, real(last), RealBox{0, 0, 12, 36}, bins, &foreground), BoxFitter::Fit::Fitted)
            << frame;
        EXPECT_DOUBLE_EQ(fitter.fitted(0)->height, now.height) << frame;
        last = now;
    }
}

TEST(BoxGrowth, TheGuardHoldsSidesToTheHistoryAndWideningsToWhatMoves)
{
    BoxGrowthGuard guard;
    const RealBox first{70, 40, 12, 36};
    guard.start(0, first);
    cv::Mat foreground(120, 200, CV_8U, cv::Scalar(0));
    foreground(cv::Rect(70, 40, 12, 36)).setTo(255);
    // Two columns more, still pixels: refused; moving ones: allowed.
    const RealBox wider{70, 40, 14, 36};
    EXPECT_FALSE(guard.allows(0, first, wider, &foreground));
    foreground(cv::Rect(82, 40, 2, 36)).setTo(255);
    EXPECT_TRUE(guard.allows(0, first, wider, &foreground));
    EXPECT_TRUE(guard.allows(0, first, wider, nullptr));
    // Half as wide again in one frame: refused, even where all of it moves.
    foreground.setTo(255);
    EXPECT_FALSE(guard.allows(0, first, RealBox{70, 40, 18, 36}, &foreground));
    // The filter's own box is never held against the fit.
    const RealBox grownEstimate{70, 40, 20, 36};
    EXPECT_TRUE(guard.allows(0, grownEstimate, RealBox{71, 41, 19, 30}, &foreground));
    // Growth frame after frame may go further, up to 1.6 times the median
    // (here 20: the next frame could reach 1.2 x 28 by its growth alone).
    for (double width : {14.0, 16.0, 18.0, 20.0, 22.0, 24.0, 26.0, 28.0})
        guard.record(0, RealBox{70, 40, width, 36});
    EXPECT_TRUE(guard.allows(0, first, RealBox{70, 40, 31, 36}, &foreground));
    EXPECT_FALSE(guard.allows(0, first, RealBox{70, 40, 34, 36}, &foreground));
    // Targets after a dropped one move down.
    guard.start(1, RealBox{0, 0, 100, 100});
    guard.drop(0);
    EXPECT_TRUE(guard.allows(0, RealBox{0, 0, 100, 100}, RealBox{0, 0, 110, 110}, nullptr));
}
