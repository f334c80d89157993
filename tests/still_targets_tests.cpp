// The rule for still objects (the unseen background of their first boxes
// counted as theirs in a box's ring) holds only while some target stands
// where it started.

#include "appearance/background_model.h"
#include "motion/still_targets.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

TEST(StillTargets, ATargetThatOnceLeftItsPlaceIsNoLongerStill)
{
    StillTargets still;
    EXPECT_FALSE(still.anyStill()) << "no target";
    still.start(0, 50.0, 50.0, 20.0);
    still.start(1, 150.0, 50.0, 20.0);
    // A still object's estimate wobbles within a quarter of its size.
    still.observe(0, 53.0, 47.0);
    still.observe(1, 146.0, 52.0);
    EXPECT_TRUE(still.anyStill());
    still.observe(0, 60.0, 50.0);  // half its size away: it has left
    EXPECT_TRUE(still.anyStill()) << "target 1 still stands";
    still.observe(0, 50.0, 50.0);  // coming back does not make it still again
    still.observe(1, 150.0, 61.0);
    EXPECT_FALSE(still.anyStill());
    // Starting again (a target re-placed) and dropping one.
    still.start(1, 150.0, 61.0, 20.0);
    EXPECT_TRUE(still.anyStill());
    still.drop(1);
    EXPECT_FALSE(still.anyStill()) << "target 0 left, target 1 dropped";
}

TEST(StillTargets, TheRingCountsUnseenPixelsThatLookAsFirstSeenOnlyWhileSomeObjectIsStill)
{
    BackgroundSettings settings;
    settings.ringCountsStillUnknown = true;
    settings.stillRuleWhileStill = true;
    BackgroundModel model(settings);
    cv::Mat image(60, 80, CV_8UC3, cv::Scalar::all(100));
    image(cv::Rect(20, 20, 30, 30)).setTo(cv::Scalar(40, 160, 200));  // the first box: an object and its background
    CvMat header = cvMat(image);
    const CvRect firstBox = cvRect(20, 20, 30, 30);
    const CvRect inner = cvRect(30, 30, 10, 10);
    model.prepare(&header, {firstBox});
    model.prepare(&header, {firstBox});
    // Nothing has changed in the first box: its pixels around a smaller
    // box look as first seen, and count while the object is still.
    EXPECT_DOUBLE_EQ(model.ringForegroundShare(inner, 5), 1.0);
    model.setStillObjects(false);
    model.prepare(&header, {firstBox});
    EXPECT_DOUBLE_EQ(model.ringForegroundShare(inner, 5), 0.0);
    // Without the guard the rule holds whatever the session says.
    settings.stillRuleWhileStill = false;
    BackgroundModel unguarded(settings);
    unguarded.setStillObjects(false);
    unguarded.prepare(&header, {firstBox});
    unguarded.prepare(&header, {firstBox});
    EXPECT_DOUBLE_EQ(unguarded.ringForegroundShare(inner, 5), 1.0);
}
