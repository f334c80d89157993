// The learnt background of a still camera, the foreground share of a box,
// and the colour model's foreground cue built on it.

#include "appearance/background_model.h"
#include "appearance/colour_model.h"
#include "appearance/target_areas.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// An owned 8-bit three-channel frame of one grey level.
struct Frame {
    cv::Mat image;
    CvMat header;
    Frame(int rows, int cols, int grey) : image(rows, cols, CV_8UC3, cv::Scalar::all(grey)), header(cvMat(image)) {}
    void fill(cv::Rect r, cv::Scalar colour) { image(r).setTo(colour); }
    const CvMat* mat() { return &(header = cvMat(image)); }
};

}  // namespace

TEST(BackgroundModel, StillPatchesAreBackgroundAndMovedObjectsForeground)
{
    BackgroundSettings settings;
    BackgroundModel model(settings);
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 10, 10)), 0.0) << "nothing prepared yet";

    Frame frame(40, 60, 100);
    frame.fill(cv::Rect(40, 10, 10, 10), cv::Scalar(200, 50, 50));  // a still look-alike
    frame.fill(cv::Rect(5, 10, 10, 10), cv::Scalar(200, 50, 50));   // the object, held
    model.prepare(frame.mat(), {cvRect(5, 10, 10, 10)});
    // On the first frame only the unknown, held pixels are foreground.
    EXPECT_EQ(model.foregroundShare(cvRect(5, 10, 10, 10)), 1.0);
    EXPECT_EQ(model.foregroundShare(cvRect(40, 10, 10, 10)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(0, 10, 10, 10)), 0.5);

    // The object moves on by 10 pixels; its old place is seen at last.
    frame.fill(cv::Rect(5, 10, 10, 10), cv::Scalar::all(100));
    frame.fill(cv::Rect(15, 10, 10, 10), cv::Scalar(200, 50, 50));
    model.prepare(frame.mat(), {cvRect(15, 10, 10, 10)});
    EXPECT_EQ(model.foregroundShare(cvRect(15, 10, 10, 10)), 1.0);
    EXPECT_EQ(model.foregroundShare(cvRect(40, 10, 10, 10)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(5, 10, 10, 10)), 1.0) << "unknown until seen outside the held boxes";
    model.prepare(frame.mat(), {cvRect(15, 10, 10, 10)});
    EXPECT_EQ(model.foregroundShare(cvRect(5, 10, 10, 10)), 0.0) << "learnt as first seen";
    // The ring around a box: none of it moves around the object, all of it
    // around a box inside the object; a ring outside the frame is empty.
    EXPECT_EQ(model.ringForegroundShare(cvRect(15, 10, 10, 10), 3), 0.0);
    EXPECT_EQ(model.ringForegroundShare(cvRect(17, 12, 6, 6), 2), 1.0);
    EXPECT_DOUBLE_EQ(model.ringForegroundShare(cvRect(15, 10, 10, 5), 5), 50.0 / 250.0);
    EXPECT_EQ(model.ringForegroundShare(cvRect(0, 0, 60, 40), 4), 0.0);
    // Unknown pixels are foreground inside a box, but not in its ring.
    Frame fresh(40, 60, 100);
    BackgroundModel first;
    first.prepare(fresh.mat(), {cvRect(20, 10, 10, 10)});
    EXPECT_EQ(first.foregroundShare(cvRect(20, 10, 10, 10)), 1.0);
    EXPECT_EQ(first.ringForegroundShare(cvRect(22, 12, 6, 6), 2), 0.0);

    // Rectangles are clipped to the frame; one outside it has no share.
    EXPECT_DOUBLE_EQ(model.foregroundShare(cvRect(10, -5, 15, 25)), 100.0 / 300.0);
    EXPECT_EQ(model.foregroundShare(cvRect(70, 0, 5, 5)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 0, 5)), 0.0);
}

TEST(BackgroundModel, ThresholdIsStrictPerChannel)
{
    BackgroundSettings still;
    still.followLight = false;  // the changes below would move the frame's mean
    BackgroundModel model(still);  // threshold 30
    Frame frame(10, 30, 100);
    model.prepare(frame.mat(), {});
    frame.fill(cv::Rect(0, 0, 10, 10), cv::Scalar(100, 130, 100));  // exactly at the threshold
    frame.fill(cv::Rect(10, 0, 10, 10), cv::Scalar(100, 100, 69));  // one beyond it, one channel
    frame.fill(cv::Rect(20, 0, 10, 10), cv::Scalar(125, 75, 125));  // below it in every channel
    model.prepare(frame.mat(), {});
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 10, 10)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(10, 0, 10, 10)), 1.0);
    EXPECT_EQ(model.foregroundShare(cvRect(20, 0, 10, 10)), 0.0);
}

TEST(BackgroundModel, HeldPixelsStayForegroundWhileOthersFollowTheFrame)
{
    BackgroundSettings still;
    still.followLight = false;
    BackgroundModel model(still);  // rate 0.05
    Frame frame(20, 40, 100);
    model.prepare(frame.mat(), {});
    // A thing comes to rest at the left (no target near it) and an object
    // stops at the right (held by its target).
    frame.fill(cv::Rect(0, 0, 10, 10), cv::Scalar::all(200));
    frame.fill(cv::Rect(30, 0, 10, 10), cv::Scalar::all(200));
    int restingFrames = 0;
    do {
        model.prepare(frame.mat(), {cvRect(30, 0, 10, 10)});
        ++restingFrames;
    } while (restingFrames < 200 && model.foregroundShare(cvRect(0, 0, 10, 10)) > 0.0);
    // Each frame is compared before it is learnt: after 24 frames learnt,
    // 100 (1 - 0.95^24) > 70, so the 25th is within 30 of the background.
    EXPECT_EQ(restingFrames, 25);
    EXPECT_EQ(model.foregroundShare(cvRect(30, 0, 10, 10)), 1.0);

}

TEST(BackgroundModel, ALightChangeOfTheWholeSceneIsNotForeground)
{
    BackgroundModel model;
    Frame scene(40, 40, 160);
    scene.fill(cv::Rect(0, 0, 4, 4), cv::Scalar(40, 200, 40));  // a small object, held
    model.prepare(scene.mat(), {cvRect(0, 0, 4, 4)});
    model.prepare(scene.mat(), {cvRect(0, 0, 4, 4), cvRect(20, 20, 10, 10)});
    // The light halves at once: held background pixels follow it too.
    scene.image.setTo(cv::Scalar::all(80));
    scene.fill(cv::Rect(8, 8, 4, 4), cv::Scalar(20, 100, 20));  // the object moved, half as bright
    model.prepare(scene.mat(), {cvRect(8, 8, 4, 4), cvRect(20, 20, 10, 10)});
    EXPECT_EQ(model.foregroundShare(cvRect(20, 20, 10, 10)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(30, 0, 10, 10)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(8, 8, 4, 4)), 1.0);

    // A black frame (a glitch) is all foreground, and does not wipe out
    // the background: the next frame is as before.
    const cv::Mat before = scene.image.clone();
    scene.image.setTo(cv::Scalar::all(0));
    model.prepare(scene.mat(), {cvRect(8, 8, 4, 4)});
    EXPECT_EQ(model.foregroundShare(cvRect(20, 20, 10, 10)), 1.0);
    before.copyTo(scene.image);
    model.prepare(scene.mat(), {cvRect(8, 8, 4, 4)});
    EXPECT_EQ(model.foregroundShare(cvRect(20, 20, 10, 10)), 0.0);
}

TEST(BackgroundModel, GreyFramesAndSizeChangesStartAfresh)
{
    BackgroundModel model;
    cv::Mat grey(10, 10, CV_8UC1, cv::Scalar(50));
    CvMat header = cvMat(grey);
    model.prepare(&header, {cvRect(0, 0, 5, 10)});
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 10, 10)), 0.5);
    Frame larger(20, 20, 50);
    model.prepare(larger.mat(), {});
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 20, 20)), 0.0);
}

TEST(ForegroundCue, StillLookAlikesScoreBelowTheMovingObject)
{
    Frame frame(40, 60, 100);
    frame.fill(cv::Rect(40, 10, 10, 10), cv::Scalar(200, 50, 50));
    frame.fill(cv::Rect(5, 10, 10, 10), cv::Scalar(200, 50, 50));
    ColourModelSettings settings;
    settings.foregroundWeight = 0.5;
    ColourModelSource source(settings);
    EXPECT_TRUE(source.usesBackground());
    cv::Mat hsv, hue;
    CvMat hsvHeader, hueHeader;
    const auto show = [&](CvRect held) {
        cv::cvtColor(frame.image, hsv, cv::COLOR_BGR2HSV);
        cv::extractChannel(hsv, hue, 0);
        hsvHeader = cvMat(hsv);
        hueHeader = cvMat(hue);
        source.prepareFrame(&hsvHeader, &hueHeader);
        source.prepareBackground(frame.mat(), {held});
    };
    show(cvRect(5, 10, 10, 10));
    const auto model = source.createModel();
    ASSERT_TRUE(model->learn(cvRect(5, 10, 10, 10)));
    EXPECT_FLOAT_EQ(model->measure(cvRect(5, 10, 10, 10)), 1.0f);
    // Same colours, but still: exp(-20 * 0.5 * (1 - 0)).
    EXPECT_FLOAT_EQ(model->measure(cvRect(40, 10, 10, 10)), static_cast<float>(std::exp(-10.0)));
    EXPECT_DOUBLE_EQ(model->similarity(cvRect(40, 10, 10, 10)), 1.0) << "the cue weighs, it does not change colours";

    // The object moves on; a box inside it leaves moving pixels in its ring
    // (2 pixels wide for a 6 x 6 box): exp(-20 * 0.5 * (0 + 1)).
    frame.fill(cv::Rect(5, 10, 10, 10), cv::Scalar::all(100));
    frame.fill(cv::Rect(15, 10, 10, 10), cv::Scalar(200, 50, 50));
    show(cvRect(15, 10, 10, 10));
    EXPECT_FLOAT_EQ(model->measure(cvRect(15, 10, 10, 10)), 1.0f);
    EXPECT_FLOAT_EQ(model->measure(cvRect(17, 12, 6, 6)), static_cast<float>(std::exp(-10.0)));
}

TEST(TargetAreas, GrowEverySideByAShareOfTheSize)
{
    const CvRect r = grownRect(cvRect(10, 20, 8, 5), 0.25);
    EXPECT_EQ(r.x, 8);
    EXPECT_EQ(r.y, 18);
    EXPECT_EQ(r.width, 12);
    EXPECT_EQ(r.height, 9);
}
