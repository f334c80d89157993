// Frame preparation: upright display copy, HSV conversion, hue plane, and
// the refusal of frames unlike the first.

#include "core/frame_preparation.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// An owned IplImage of random BGR pixels (OpenCV's default generator, so the
// same pixels every run).
struct Frame {
    IplImage* image;
    explicit Frame(int width = kWidth, int height = kHeight, int channels = 3, uint64 seed = 1)
        : image(cvCreateImage(cvSize(width, height), IPL_DEPTH_8U, channels))
    {
        cv::RNG rng(seed);
        rng.fill(pixels(), cv::RNG::UNIFORM, 0, 256);
    }
    ~Frame() { cvReleaseImage(&image); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    cv::Mat pixels() const { return cv::cvarrToMat(image); }
};

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

cv::Mat hueOf(const cv::Mat& bgr)
{
    cv::Mat hsv;
    cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV);
    cv::Mat hue;
    cv::extractChannel(hsv, hue, 0);
    return hue;
}

TEST(PrepareFrame, CopiesATopLeftFrameAndSplitsOffItsHue)
{
    Frame frame;
    FrameImages images;
    ASSERT_TRUE(prepareFrame(frame.image, images));
    ASSERT_NE(images.display, nullptr);
    EXPECT_NE(images.display, frame.image);
    EXPECT_EQ(images.display->origin, 0);
    EXPECT_TRUE(same(cv::cvarrToMat(images.display), frame.pixels()));

    // The display matrix views the display image's pixels.
    EXPECT_EQ(images.displayMatrix.data.ptr, reinterpret_cast<uchar*>(images.display->imageData));
    EXPECT_EQ(images.displayMatrix.rows, kHeight);
    EXPECT_EQ(images.displayMatrix.cols, kWidth);

    ASSERT_NE(images.hue, nullptr);
    EXPECT_EQ(CV_MAT_TYPE(images.hue->type), CV_8UC1);
    const cv::Mat hue = cv::cvarrToMat(images.hue);
    EXPECT_TRUE(same(hue, hueOf(frame.pixels())));
    double maxHue = 0;
    cv::minMaxLoc(hue, nullptr, &maxHue);
    EXPECT_LE(maxHue, 179);
}

TEST(PrepareFrame, FlipsABottomLeftFrameUpright)
{
    Frame frame;
    frame.image->origin = 1;
    FrameImages images;
    ASSERT_TRUE(prepareFrame(frame.image, images));
    EXPECT_EQ(images.display->origin, 0);

    cv::Mat upright;
    cv::flip(frame.pixels(), upright, 0);
    EXPECT_TRUE(same(cv::cvarrToMat(images.display), upright));
    EXPECT_TRUE(same(cv::cvarrToMat(images.hue), hueOf(upright)));
    EXPECT_EQ(frame.image->origin, 1) << "the frame itself is left alone";
}

TEST(PrepareFrame, ReusesTheImagesOfTheFirstFrame)
{
    Frame first(kWidth, kHeight, 3, 1);
    Frame second(kWidth, kHeight, 3, 2);
    second.image->origin = 1;
    Frame third(kWidth, kHeight, 3, 3);
    FrameImages images;
    ASSERT_TRUE(prepareFrame(first.image, images));
    IplImage* display = images.display;
    CvMat* hsv = images.hsv;
    CvMat* hue = images.hue;

    ASSERT_TRUE(prepareFrame(second.image, images));
    ASSERT_TRUE(prepareFrame(third.image, images));
    EXPECT_EQ(images.display, display);
    EXPECT_EQ(images.hsv, hsv);
    EXPECT_EQ(images.hue, hue);
    // A top-left frame after a flipped one is copied, not flipped.
    EXPECT_TRUE(same(cv::cvarrToMat(images.display), third.pixels()));
    EXPECT_TRUE(same(cv::cvarrToMat(images.hue), hueOf(third.pixels())));
}

TEST(PrepareFrame, RefusesFramesUnlikeTheFirstAndTouchesNothing)
{
    Frame first;
    FrameImages images;
    ASSERT_TRUE(prepareFrame(first.image, images));
    const cv::Mat display = cv::cvarrToMat(images.display).clone();
    const cv::Mat hsv = cv::cvarrToMat(images.hsv).clone();
    const cv::Mat hue = cv::cvarrToMat(images.hue).clone();

    Frame wider(kWidth + 2, kHeight, 3, 5);
    Frame shorter(kWidth, kHeight - 1, 3, 6);
    Frame grey(kWidth, kHeight, 1, 7);
    EXPECT_FALSE(prepareFrame(wider.image, images));
    EXPECT_FALSE(prepareFrame(shorter.image, images));
    EXPECT_FALSE(prepareFrame(grey.image, images));
    EXPECT_FALSE(prepareFrame(nullptr, images));

    EXPECT_TRUE(same(cv::cvarrToMat(images.display), display));
    EXPECT_TRUE(same(cv::cvarrToMat(images.hsv), hsv));
    EXPECT_TRUE(same(cv::cvarrToMat(images.hue), hue));
    EXPECT_EQ(images.display->width, kWidth);
    EXPECT_EQ(images.display->height, kHeight);
}

TEST(PrepareFrame, NullFirstFrameCreatesNothing)
{
    FrameImages images;
    EXPECT_FALSE(prepareFrame(nullptr, images));
    EXPECT_EQ(images.display, nullptr);
    EXPECT_EQ(images.hsv, nullptr);
    EXPECT_EQ(images.hue, nullptr);
}

}  // namespace
