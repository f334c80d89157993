// The --plot pictures without a run: the paths picture on made-up paths,
// the error picture on made-up scores, their colours, names and ticks.

#include "programs/track/error_plot.h"
#include "programs/track/path_plot.h"
#include "programs/track/picture_text.h"
#include "programs/track/target_paths.h"
#include "rendering/target_colours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <tuple>

using namespace tavo_cli;
using namespace tavo_eval;

namespace {

cv::Vec3b bgr(const cv::Scalar& s)
{
    return cv::Vec3b(static_cast<uchar>(s[0]), static_cast<uchar>(s[1]), static_cast<uchar>(s[2]));
}

int pixelsOf(const cv::Mat& picture, const cv::Scalar& colour)
{
    const cv::Vec3b c = bgr(colour);
    cv::Mat same;
    cv::inRange(picture, cv::Scalar(c[0], c[1], c[2]), cv::Scalar(c[0], c[1], c[2]), same);
    return cv::countNonZero(same);
}

// A straight path of `frames` points from (x0, y0) to (x1, y1), 10 x 10 boxes
// around the points.
TargetPath straightPath(int id, float x0, float y0, float x1, float y1, int frames)
{
    TargetPath path;
    path.id = id;
    for (int f = 0; f < frames; ++f) {
        const float u = frames > 1 ? static_cast<float>(f) / (frames - 1) : 0.0f;
        const float x = x0 + u * (x1 - x0), y = y0 + u * (y1 - y0);
        path.points.push_back(PathPoint{f + 1, x, y, RealBox{std::floor(x) - 5.0, std::floor(y) - 5.0, 10, 10}});
    }
    return path;
}

}  // namespace

TEST(PlotColours, TenDistinctColoursThenRepeated)
{
    std::set<std::tuple<double, double, double>> seen;
    for (int id = 1; id <= kTargetColourCount; ++id) {
        const cv::Scalar c = targetColour(id);
        EXPECT_TRUE(seen.emplace(c[0], c[1], c[2]).second) << "id " << id;
        EXPECT_FALSE(c[0] == c[1] && c[1] == c[2]) << "id " << id << " is grey";
    }
    EXPECT_EQ(targetColour(kTargetColourCount + 3), targetColour(3));
    EXPECT_EQ(targetColour(0), targetColour(1));
    EXPECT_EQ(targetColour(-7), targetColour(1));
}

TEST(PathPlot, EveryPathInItsColourOverTheFadedFrame)
{
    const cv::Mat frame(150, 200, CV_8UC3, cv::Scalar(0, 0, 0));
    const std::vector<TargetPath> paths{straightPath(1, 30, 30, 170, 30, 60), straightPath(2, 30, 100, 170, 100, 60),
                                        straightPath(12, 100, 60, 100, 75, 20)};
    const cv::Mat picture = drawPathPlot(frame, paths);
    ASSERT_EQ(picture.size(), frame.size());
    ASSERT_EQ(picture.type(), CV_8UC3);
    EXPECT_EQ(cv::countNonZero(frame.reshape(1)), 0) << "the frame itself is drawn on";

    // Along each path, away from its ends, its colour; the black frame is
    // faded to grey where nothing is drawn.
    for (const TargetPath& path : paths)
        for (size_t k = path.points.size() / 4; k < path.points.size() * 3 / 4; k += 3) {
            const PathPoint& p = path.points[k];
            EXPECT_EQ(picture.at<cv::Vec3b>(static_cast<int>(std::lround(p.y)), static_cast<int>(std::lround(p.x))),
                      bgr(targetColour(path.id)))
                << "id " << path.id << " frame " << p.frame;
        }
    const cv::Vec3b ground = picture.at<cv::Vec3b>(65, 50);
    EXPECT_GT(ground[0], 100);
    EXPECT_TRUE(ground[0] == ground[1] && ground[1] == ground[2]);

    // The last box's outline is thicker than the first one's.
    const RealBox first = paths[0].points.front().box, last = paths[0].points.back().box;
    const cv::Vec3b colour = bgr(targetColour(1));
    EXPECT_EQ(picture.at<cv::Vec3b>(first.y + first.height - 1, first.x + 5), colour);
    EXPECT_NE(picture.at<cv::Vec3b>(first.y + first.height, first.x + 5), colour);
    EXPECT_EQ(picture.at<cv::Vec3b>(last.y + last.height, last.x + 5), colour);
}

TEST(PathPlot, ATargetBackAtItsStartKeepsBothTags)
{
    // Out to the right and back: the start's tag goes left (behind the way
    // out), the end's would go left too (ahead of the way back) and must
    // move round instead of covering it.
    const cv::Mat frame(100, 160, CV_8UC3, cv::Scalar(0, 0, 0));
    TargetPath path = straightPath(1, 60, 50, 120, 50, 30);
    TargetPath back = straightPath(1, 120, 50, 60, 50, 30);
    for (PathPoint& p : back.points)
        p.frame += 30;
    path.points.insert(path.points.end(), back.points.begin(), back.points.end());
    const cv::Mat picture = drawPathPlot(frame, {path});

    // White shows only in the tags: the start's ground and the end's ink.
    const cv::Size tag = tagSize("1");
    EXPECT_GT(pixelsOf(picture, cv::Scalar(255, 255, 255)), tag.area() * 6 / 10)
        << "the start's white tag is covered";
}

TEST(PathPlot, PointsFarOffOrNotANumberAreLeftOut)
{
    const cv::Mat frame(60, 80, CV_8UC3, cv::Scalar(100, 100, 100));
    TargetPath path = straightPath(3, 10, 10, 70, 50, 30);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    path.points[10].x = nan;
    path.points[11].y = std::numeric_limits<float>::infinity();
    path.points[12].x = 3e9f;
    std::vector<TargetPath> paths{path, TargetPath{4, {}}};
    const cv::Mat picture = drawPathPlot(frame, paths);
    EXPECT_EQ(picture.size(), frame.size());
    EXPECT_GT(pixelsOf(picture, targetColour(3)), 30);
    EXPECT_EQ(pixelsOf(picture, targetColour(4)), 0);
    EXPECT_EQ(drawPathPlot(frame, {}).size(), frame.size());
}

TEST(ErrorPlot, NamesAndTicks)
{
    EXPECT_EQ(errorPlotName("out/paths.png"), "out/paths-errors.png");
    EXPECT_EQ(errorPlotName("P.PNG"), "P-errors.png");

    EXPECT_EQ(tickStep(500, 8), 100);
    EXPECT_EQ(tickStep(499, 10), 50);
    EXPECT_EQ(tickStep(3, 8), 0.5);
    EXPECT_EQ(tickStep(8, 8), 1);
    EXPECT_EQ(tickStep(9, 8), 2);
    EXPECT_EQ(tickStep(0.03, 5), 0.01);
    EXPECT_EQ(tickStep(0, 8), 1);
    EXPECT_EQ(tickStep(std::nan(""), 8), 1);
    for (double range : {0.7, 13.0, 260.0, 4999.0, 1e7})
        EXPECT_LE(range / tickStep(range, 8), 8.0) << range;
}

TEST(ErrorPlot, OneCurvePerTargetInItsColour)
{
    std::vector<std::vector<FrameScore>> scores(2);
    for (int f = 1; f <= 200; ++f) {
        scores[0].push_back(FrameScore{f, 1.0 + std::sin(f / 10.0), 0.9});
        if (f < 80 || f > 120)  // a gap: the object is missing there
            scores[1].push_back(FrameScore{f, 0.1 * f, 1.0 - f / 400.0});
    }
    const cv::Mat picture = drawErrorPlot({1, 5}, scores);
    ASSERT_FALSE(picture.empty());
    EXPECT_GE(picture.cols, 600);
    EXPECT_GE(picture.rows, 400);
    EXPECT_GT(pixelsOf(picture, targetColour(1)), 200);
    EXPECT_GT(pixelsOf(picture, targetColour(5)), 200);
    EXPECT_EQ(pixelsOf(picture, targetColour(2)), 0);

    // Without a scored frame: the axes alone, no curve.
    const cv::Mat empty = drawErrorPlot({1, 5}, {{}, {}});
    EXPECT_EQ(empty.size(), picture.size());
    EXPECT_EQ(pixelsOf(empty, targetColour(1)), 0);
}

TEST(TargetPaths, EachTargetKeepsItsOwnPathWhenAnotherIsDropped)
{
    PathRecorder paths;
    TrackedTarget a, b;
    a.id = 4;
    b.id = 9;
    a.x = 10;
    b.x = 50;
    paths.frameTracked(1, {a, b}, nullptr);
    b.x = 52;
    paths.frameTracked(2, {b}, nullptr);  // target 4 dropped
    ASSERT_EQ(paths.paths().size(), 2u);
    EXPECT_EQ(paths.paths()[0].id, 4);
    EXPECT_EQ(paths.paths()[0].points.size(), 1u);
    EXPECT_EQ(paths.paths()[1].id, 9);
    ASSERT_EQ(paths.paths()[1].points.size(), 2u);
    EXPECT_EQ(paths.paths()[1].points[1].x, 52.0f);
}
