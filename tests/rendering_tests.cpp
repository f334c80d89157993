// Sample outlines, weighted estimates and the annotation of every target;
// the boxes drawing for viewers.

#include "rendering/box_drawing.h"
#include "rendering/outline_rect.h"
#include "rendering/target_colours.h"
#include "test_tracker.h"
#include "core/tavo.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

namespace {

struct OwnedMat {
    CvMat* m;
    OwnedMat(int rows, int cols, CvScalar fill) : m(cvCreateMat(rows, cols, CV_8UC3)) { cvSet(m, fill); }
    ~OwnedMat() { cvReleaseMat(&m); }
    OwnedMat(const OwnedMat&) = delete;
    OwnedMat& operator=(const OwnedMat&) = delete;

    bool sameAs(const OwnedMat& o) const { return std::memcmp(m->data.ptr, o.m->data.ptr, m->step * m->rows) == 0; }
    // Pixel as 0xBBGGRR.
    int at(int x, int y) const
    {
        const uchar* p = m->data.ptr + y * m->step + 3 * x;
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    int count(int colour) const
    {
        int n = 0;
        for (int y = 0; y < m->rows; ++y)
            for (int x = 0; x < m->cols; ++x)
                n += at(x, y) == colour;
        return n;
    }
};

const CvScalar kRed = cvScalar(0, 0, 255, 0);
constexpr int kBlack = 0x000000, kWhite = 0xffffff, kNearBlack = 0x0a0a0a, kGrey = 0x646464, kPureRed = 0x0000ff;

}  // namespace

TEST(OutlineRect, SetsOnlyTheColoursNonZeroBytesOnTheBorder)
{
    OwnedMat img(6, 8, cvScalarAll(0));
    cvSet2D(img.m, 1, 3, cvScalarAll(255));            // white
    cvSet2D(img.m, 1, 4, cvScalar(20, 30, 255, 0));    // already red
    outlineRect(img.m, 1, 1, 5, 4, kRed);

    EXPECT_EQ(kPureRed, img.at(1, 1));
    EXPECT_EQ(kWhite, img.at(3, 1));
    EXPECT_EQ(0x141eff, img.at(4, 1));
    EXPECT_EQ(kPureRed, img.at(5, 4));
    EXPECT_EQ(kPureRed, img.at(1, 3));
    EXPECT_EQ(kBlack, img.at(2, 2));  // inside
    EXPECT_EQ(kBlack, img.at(6, 1));  // outside
    EXPECT_EQ(12, img.count(kPureRed));  // 14 border pixels, two were not black

    // Another colour leaves the red byte alone.
    outlineRect(img.m, 1, 1, 5, 4, cvScalar(200, 0, 0, 0));
    EXPECT_EQ(0xc800ff, img.at(1, 1));
}

TEST(OutlineRect, DrawsWholeRectanglesOnlyInEitherCornerOrder)
{
    const OwnedMat blank(6, 8, cvScalarAll(0));
    OwnedMat img(6, 8, cvScalarAll(0));
    outlineRect(img.m, -1, 1, 3, 4, kRed);
    outlineRect(img.m, 0, 1, 8, 4, kRed);
    outlineRect(img.m, 1, -1, 3, 4, kRed);
    outlineRect(img.m, 1, 1, 3, 6, kRed);
    outlineRect(nullptr, 1, 1, 3, 4, kRed);
    EXPECT_TRUE(img.sameAs(blank));

    outlineRect(img.m, 0, 0, 7, 5, kRed);
    EXPECT_EQ(24, img.count(kPureRed));
    EXPECT_EQ(kPureRed, img.at(7, 5));
    EXPECT_EQ(kPureRed, img.at(0, 5));
    EXPECT_EQ(kBlack, img.at(1, 1));

    OwnedMat line(6, 8, cvScalarAll(0));
    outlineRect(line.m, 3, 1, 3, 4, kRed);
    EXPECT_EQ(4, line.count(kPureRed));
    for (int y = 1; y <= 4; ++y)
        EXPECT_EQ(kPureRed, line.at(3, y));
    outlineRect(line.m, 1, 5, 6, 5, kRed);
    EXPECT_EQ(10, line.count(kPureRed));

    OwnedMat forward(6, 8, cvScalarAll(0)), backward(6, 8, cvScalarAll(0)), mixed(6, 8, cvScalarAll(0));
    outlineRect(forward.m, 1, 1, 5, 4, kRed);
    outlineRect(backward.m, 5, 4, 1, 1, kRed);
    outlineRect(mixed.m, 5, 1, 1, 4, kRed);
    EXPECT_TRUE(forward.sameAs(backward));
    EXPECT_TRUE(forward.sameAs(mixed));
}

TEST(Draw, WithoutTargetsLeavesTheImageAlone)
{
    TestTracker k(2, 2, 7);
    const OwnedMat before(20, 20, cvScalarAll(100));
    OwnedMat img(20, 20, cvScalarAll(100));
    k.tracker.draw(img.m);
    EXPECT_TRUE(img.sameAs(before));
}

TEST(Draw, EstimateIsTheWeightedMeanWithAVelocityFloor)
{
    TestTracker k(4, 3, 7);
    Target* t = k.add(10);
    Target* dead = k.add(10);
    const float px[] = {10, 12, 14, 16}, py[] = {50, 51, 52, 53}, vx[] = {0.5f, -0.5f, 1, -1}, sx[] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        Sample& s = k.sample(t, i);
        s.posX = px[i];
        s.posY = py[i];
        s.velX = vx[i];
        s.velY = 0;
        s.scaleX = sx[i];
        s.scaleY = 1;
        s.weight = 1;
    }
    // A target whose weights sum to 0 keeps its previous estimate.
    k.placeAll(dead, 40, 40, 0);
    dead->estimate.posX = 77;
    dead->estimate.velX = 5;
    OwnedMat img(100, 100, cvScalarAll(100));

    k.tracker.draw(img.m);
    const Sample& e = t->estimate;
    EXPECT_EQ(13.0f, e.posX);
    EXPECT_EQ(51.5f, e.posY);
    EXPECT_EQ(FLT_EPSILON / 4, e.velX);  // plain mean 0, plus FLT_EPSILON / S
    EXPECT_EQ(FLT_EPSILON / 4, e.velY);
    EXPECT_EQ(1.5f, e.scaleX);
    EXPECT_EQ(1.0f, e.scaleY);
    EXPECT_EQ(1.0f, e.weight);
    EXPECT_EQ(0.0f, e.likelihood);
    EXPECT_EQ(0.0f, e.vote);
    EXPECT_EQ(0, e.region.area);
    EXPECT_EQ(77.0f, dead->estimate.posX);
    EXPECT_EQ(5.0f, dead->estimate.velX);
    EXPECT_EQ(nullptr, k.tracker.currentTarget);

    // Weights summing to 1: the floor enters the velocity unscaled.
    for (int i = 0; i < 4; ++i) {
        k.sample(t, i).weight = 0.25f;
        k.sample(t, i).velX = 0;
    }
    k.tracker.draw(img.m);
    EXPECT_EQ(13.0f, t->estimate.posX);
    EXPECT_EQ(FLT_EPSILON, t->estimate.velX);
}

TEST(Draw, EstimateRectangleAndLabelGeometry)
{
    for (int id : {1, 12}) {
        SCOPED_TRACE(id);
        TestTracker k(4, 2, 7);
        Target* t = k.add(18);
        t->id = id;
        k.placeAll(t, 145, 270, 0.25f);
        OwnedMat img(300, 320, cvScalarAll(100));
        k.tracker.draw(img.m);
        ASSERT_EQ(145.0f, t->estimate.posX);
        ASSERT_EQ(270.0f, t->estimate.posY);

        // The 2-px black rectangle (136, 261)-(153, 278) covers the samples'
        // red outlines of the same rectangle; inside and outside stay grey.
        EXPECT_EQ(kBlack, img.at(136, 270));
        EXPECT_EQ(kBlack, img.at(153, 270));
        EXPECT_EQ(kBlack, img.at(145, 261));
        EXPECT_EQ(kBlack, img.at(145, 278));
        EXPECT_EQ(0, img.count(kPureRed) + img.count(0x6464ff));
        EXPECT_EQ(kGrey, img.at(145, 270));
        EXPECT_EQ(kGrey, img.at(140, 270));
        EXPECT_EQ(kGrey, img.at(132, 270));
        EXPECT_EQ(kGrey, img.at(145, 283));

        // Leader from the top-right corner (153, 261) to (156, 256).
        EXPECT_EQ(kNearBlack, img.at(153, 261));
        for (int y = 257; y <= 260; ++y) {
            int n = 0;
            for (int x = 153; x <= 156; ++x)
                n += img.at(x, y) == kNearBlack;
            EXPECT_GE(n, 1) << "row " << y;
        }

        // Label box from (156, 256) to (159 + w, 259 + h) for one digit; each
        // further digit widens it by w + 1.
        const int w = k.tracker.labelSize.width, h = k.tracker.labelSize.height;
        const int right = id < 10 ? 159 + w : 160 + 2 * w, bottom = 259 + h;
        EXPECT_EQ(kNearBlack, img.at(156, 256));
        EXPECT_EQ(kNearBlack, img.at(right, 256));
        EXPECT_EQ(kNearBlack, img.at(156, bottom));
        EXPECT_EQ(kNearBlack, img.at(right, bottom));
        EXPECT_EQ(kGrey, img.at(right + 1, 256));
        EXPECT_EQ(kGrey, img.at(right + 1, bottom));
        EXPECT_EQ(kGrey, img.at(right, bottom + 1));
        EXPECT_EQ(kGrey, img.at(158, 255));
        int white = 0, text = 0;
        for (int y = 257; y < bottom; ++y)
            for (int x = 157; x < right; ++x) {
                white += img.at(x, y) == kWhite;
                text += img.at(x, y) == kNearBlack;
            }
        EXPECT_GT(white, 0);
        EXPECT_GT(text, 0);
        EXPECT_EQ(white + text, (right - 157) * (bottom - 257)) << "only background and text inside the box";
    }
}

TEST(Draw, NeighboursAreLinkedBetweenTheirEstimates)
{
    TestTracker k(1, 2, 7);
    Target* a = k.add(4);
    Target* b = k.add(4);
    k.placeAll(a, 20, 20, 1);
    k.placeAll(b, 20.9f, 80, 1);  // coordinates are truncated: the line is vertical
    OwnedMat lonely(100, 100, cvScalarAll(100));
    k.tracker.draw(lonely.m);
    EXPECT_EQ(kGrey, lonely.at(20, 50));

    a->neighbours.push_back(b);
    OwnedMat linked(100, 100, cvScalarAll(100));
    k.tracker.draw(linked.m);
    for (int y = 30; y <= 70; y += 10)
        EXPECT_EQ(kBlack, linked.at(20, y)) << y;
    EXPECT_EQ(kGrey, linked.at(21, 50));
}

namespace {

const cv::Vec3b kMidGrey(128, 128, 128);

TrackedTarget targetAt(int id, double x, double y, double w, double h, bool lost = false)
{
    TrackedTarget t;
    t.id = id;
    t.box = RealBox{x, y, w, h};
    t.x = static_cast<float>(x + w / 2);
    t.y = static_cast<float>(y + h / 2);
    t.confidence = lost ? 0.0 : 0.87;
    t.lost = lost;
    return t;
}

cv::Vec3b bgr(const cv::Scalar& c) { return cv::Vec3b(c[0], c[1], c[2]); }

// Pixels of `colour` on row y from x0 to x1 (inclusive), and how many times
// the row changes between that colour and another.
struct RowRun {
    int matches = 0;
    int changes = 0;
};
RowRun rowRun(const cv::Mat& image, int y, int x0, int x1, cv::Vec3b colour)
{
    RowRun run;
    for (int x = x0; x <= x1; ++x) {
        const bool is = image.at<cv::Vec3b>(y, x) == colour;
        run.matches += is;
        if (x > x0 && is != (image.at<cv::Vec3b>(y, x - 1) == colour))
            ++run.changes;
    }
    return run;
}

}  // namespace

TEST(BoxDrawing, BoxInTheTargetsColourWithALabelAndATrail)
{
    BoxDrawing drawing;
    cv::Mat image(120, 160, CV_8UC3, cv::Scalar::all(128));
    for (int frame = 1; frame <= 3; ++frame) {
        image.setTo(cv::Scalar::all(128));
        drawing.drawTargets(frame, {targetAt(3, 40 + 10 * frame, 50, 40, 30)}, true, image);
    }
    const cv::Vec3b colour = bgr(targetColour(3));
    // The frame-3 box covers x 70..109, y 50..79: its outline is two pixels
    // thick in the target's colour, whole on every side.
    for (const int y : {50, 51, 78, 79})
        EXPECT_EQ(rowRun(image, y, 72, 107, colour).matches, 36) << "row " << y;
    for (const int x : {70, 71, 108, 109})
        EXPECT_EQ(image.at<cv::Vec3b>(65, x), colour) << "column " << x;
    EXPECT_EQ(image.at<cv::Vec3b>(58, 90), kMidGrey) << "the box is not filled";

    // The label above the box is filled with the colour and holds text of
    // another colour.
    const cv::Mat label = image(cv::Rect(70, 30, 40, 20));
    cv::Mat filled;
    cv::inRange(label, colour, colour, filled);
    EXPECT_GT(cv::countNonZero(filled), 200);
    EXPECT_GT(label.total() - cv::countNonZero(filled), 20u) << "no text on the label";

    // The centres of frames 1 and 2 lie on the trail.
    EXPECT_NE(image.at<cv::Vec3b>(65, 75), kMidGrey);
    EXPECT_NE(image.at<cv::Vec3b>(65, 85), kMidGrey);
}

TEST(BoxDrawing, ALostTargetIsDashedWhereItWasLastSeen)
{
    BoxDrawing drawing;
    cv::Mat image(120, 160, CV_8UC3, cv::Scalar::all(128));
    drawing.drawTargets(1, {targetAt(1, 40, 40, 60, 40)}, true, image);
    image.setTo(cv::Scalar::all(128));
    drawing.drawTargets(2, {targetAt(1, 10, 10, 20, 20, true)}, true, image);

    const cv::Vec3b colour = bgr(targetColour(1));
    const RowRun bottom = rowRun(image, 79, 40, 99, colour);
    EXPECT_GT(bottom.matches, 20);
    EXPECT_LT(bottom.matches, 55) << "the outline has gaps";
    EXPECT_GE(bottom.changes, 8) << "dashes, not one line";
    EXPECT_EQ(image.at<cv::Vec3b>(20, 10), kMidGrey) << "nothing at the lost estimate's box";
}

TEST(BoxDrawing, WithStatesShownTheBoxIsSolidDashedOrDottedAndTrailsFollowRemovals)
{
    const cv::Vec3b colour = bgr(targetColour(1));
    const auto bottomRow = [&](TargetState state, bool shown) {
        BoxDrawing drawing;
        drawing.showStates(shown);
        cv::Mat image(120, 160, CV_8UC3, cv::Scalar::all(128));
        TrackedTarget t = targetAt(1, 40, 40, 60, 40);
        t.state = state;
        drawing.drawTargets(1, {t}, false, image);
        return rowRun(image, 79, 40, 99, colour);
    };
    EXPECT_EQ(bottomRow(TargetState::Tracked, true).matches, 60);
    const RowRun dashed = bottomRow(TargetState::Hidden, true), dotted = bottomRow(TargetState::Lost, true);
    EXPECT_GE(dashed.changes, 8);
    EXPECT_GE(dotted.changes, 8);
    EXPECT_LT(dotted.matches, dashed.matches - 10) << "dots are shorter than dashes";
    EXPECT_EQ(bottomRow(TargetState::Lost, false).matches, 60) << "states are drawn only when shown";

    // Target 1 removed: target 2's trail stays its own.
    BoxDrawing drawing;
    cv::Mat image(120, 160, CV_8UC3, cv::Scalar::all(128));
    drawing.drawTargets(1, {targetAt(1, 10, 10, 20, 20), targetAt(2, 100, 60, 20, 20)}, false, image);
    image.setTo(cv::Scalar::all(128));
    drawing.drawTargets(2, {targetAt(2, 110, 60, 20, 20)}, false, image);
    EXPECT_NE(image.at<cv::Vec3b>(70, 115), kMidGrey) << "target 2's trail from its own last centre";
    EXPECT_EQ(image.at<cv::Vec3b>(40, 60), kMidGrey) << "no trail from target 1's centre";
}
