// The windows' fit on the screen: large frames scaled down into the room
// the screen leaves, tiny ones scaled up by a whole factor, mouse positions
// mapped back to frame positions, and the band of text below the frame.

#include "programs/track/live_view.h"
#include "programs/track/window_band.h"
#include "programs/track/window_fit.h"

#include <gtest/gtest.h>

using namespace tavo_cli;

namespace {

const cv::Size kSmallScreen(800, 600);

bool within(cv::Size inner, cv::Size outer) { return inner.width <= outer.width && inner.height <= outer.height; }

}  // namespace

TEST(WindowFit, LargeFramesShrinkIntoTheScreenKeepingTheirAspect)
{
    for (const cv::Size frame : {cv::Size(1920, 1080), cv::Size(4000, 3000), cv::Size(1000, 4000)}) {
        const WindowFit fit = fitWindow(frame, kSmallScreen);
        EXPECT_TRUE(within(fit.window(), kSmallScreen)) << frame << " shown in " << fit.window();
        EXPECT_NEAR(static_cast<double>(fit.shown.width) / fit.shown.height,
                    static_cast<double>(frame.width) / frame.height, 0.01) << frame;
        // The window's corners are the frame's; a point maps back to within
        // the pixels one window pixel covers.
        EXPECT_EQ(fit.toFrame({0, 0}), cv::Point(0, 0));
        EXPECT_EQ(fit.toFrame({fit.shown.width, fit.shown.height}), cv::Point(frame.width, frame.height));
        const double pixel = static_cast<double>(frame.width) / fit.shown.width;
        const cv::Point p(frame.width / 3, frame.height / 2);
        const cv::Point back = fit.toFrame(fit.toWindow(p));
        EXPECT_LE(std::abs(back.x - p.x), pixel) << frame;
        EXPECT_LE(std::abs(back.y - p.y), pixel) << frame;
    }
    // A frame that fits is shown as it is.
    const WindowFit same = fitWindow({640, 480}, {1600, 1200});
    EXPECT_EQ(same.shown, cv::Size(640, 480));
    EXPECT_EQ(same.toFrame({123, 456}), cv::Point(123, 456));
}

TEST(WindowFit, TinyFramesGrowByAWholeFactorAsFarAsTheScreenAllows)
{
    const WindowFit two = fitWindow({2, 2}, kSmallScreen);
    EXPECT_EQ(two.shown, cv::Size(320, 320));
    EXPECT_EQ(two.toFrame({159, 10}), cv::Point(1, 0));  // nearest pixel boundary
    EXPECT_EQ(two.toFrame({320, 320}), cv::Point(2, 2));
    EXPECT_EQ(fitWindow({16, 16}, kSmallScreen).shown, cv::Size(320, 320));
    EXPECT_EQ(fitWindow({16, 10}, kSmallScreen).shown, cv::Size(320, 200));
    // Twice 300 rows would not fit the screen's height.
    EXPECT_EQ(fitWindow({2, 300}, kSmallScreen).shown, cv::Size(2, 300));

    // Pixel blocks, not blends: every shown pixel is one of the frame's.
    cv::Mat frame(2, 2, CV_8UC3, cv::Scalar(0, 0, 0));
    frame.at<cv::Vec3b>(1, 1) = cv::Vec3b(255, 255, 255);
    const cv::Mat shown = two.scaled(frame);
    EXPECT_EQ(cv::countNonZero(shown.reshape(1)), 160 * 160 * 3);
    EXPECT_EQ(shown.at<cv::Vec3b>(160, 160), cv::Vec3b(255, 255, 255));
}

TEST(WindowFit, TheBandIsBelowTheFrameAndTheWindowWideEnoughForIt)
{
    const WindowFit fit{{40, 30}, {40, 30}};
    const cv::Mat shown(30, 40, CV_8UC3, cv::Scalar(90, 90, 90));
    const cv::Mat picture = withBand(shown, fit, liveBandText(12, 795, "paused"));
    ASSERT_EQ(picture.size(), cv::Size(kSmallestWindowSide, 30 + kBandHeight));
    EXPECT_EQ(cv::norm(picture(cv::Rect(0, 0, 40, 30)), shown, cv::NORM_INF), 0) << "the band covers the frame";
    EXPECT_GT(cv::countNonZero(picture.rowRange(30, picture.rows).reshape(1) > 200), 0) << "no text in the band";

    EXPECT_EQ(liveBandText(12, 795, ""), "frame 12/795");
    EXPECT_EQ(liveBandText(12, 0, "paused"), "frame 12   paused");
}
