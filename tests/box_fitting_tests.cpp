// Boxes fitted to the patch of a target's colours: a thin object that lies
// down gets its lying box, a look-alike joined to it or a part hidden gives
// no fit, a join is remembered through a crossing but ends when the object
// is seen alone beside the estimate, and still things of the same colours
// beyond the estimate's box do not count.

#include "appearance/box_fitting.h"
#include "session/tracking_session.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr uint8_t kGround = 5, kObject = 9;

cv::Mat plainBins() { return cv::Mat(120, 160, CV_8U, cv::Scalar(kGround)); }

RealBox real(const cv::Rect& r) { return RealBox{double(r.x), double(r.y), double(r.width), double(r.height)}; }

double overlap(const RealBox& a, const RealBox& b)
{
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    const double i = std::max(0.0, w) * std::max(0.0, h);
    return i / (a.width * a.height + b.width * b.height - i);
}

// A fitter that learnt an upright 12x36 bar at (70, 40).
struct LearntBar {
    BoxFitter fitter;
    const cv::Rect upright{70, 40, 12, 36};
    const RealBox firstBox{0, 0, 12, 36};
    explicit LearntBar(const BoxFitSettings& settings = BoxFitSettings{true, false, false}) : fitter(settings)
    {
        cv::Mat bins = plainBins();
        bins(upright).setTo(kObject);
        fitter.learn(0, real(upright), bins, nullptr);
    }
};

// A session of one target started on `frame` at `first`; null, with a
// failure recorded, when it cannot start.
std::unique_ptr<TrackingSession> startedOn(const cv::Mat& frame, const Box& first, const TrackingSettings& settings)
{
    std::string error;
    auto session = TrackingSession::start(frame, {first}, settings, 1, error);
    if (!session)
        ADD_FAILURE() << error;
    return session;
}

}  // namespace

TEST(BoxFitter, FitsTheBoxOfAnObjectThatLiesDownAroundASmallerEstimate)
{
    LearntBar bar;
    cv::Mat bins = plainBins();
    const cv::Rect lying(58, 52, 36, 12);
    bins(lying).setTo(kObject);
    // The filter's box sits inside the lying bar, off its centre.
    const RealBox estimate{62, 50, 10, 15};
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Fitted);
    ASSERT_NE(bar.fitter.fitted(0), nullptr);
    EXPECT_DOUBLE_EQ(overlap(*bar.fitter.fitted(0), real(lying)), 1.0);
}

TEST(BoxFitter, ALookAlikeJoinedOrAPartHiddenGivesNoFitAndAJoinOutlastsACrossing)
{
    LearntBar bar;
    const RealBox estimate = real(bar.upright);
    cv::Mat bins = plainBins();
    bins(bar.upright).setTo(kObject);
    bins(cv::Rect(82, 40, 12, 36)).setTo(kObject);  // a look-alike beside it, touching
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);
    EXPECT_EQ(bar.fitter.fitted(0), nullptr);

    // Crossing: the look-alike covers the bar, the patch is of one object's
    // count, and the join is still remembered.
    bins = plainBins();
    bins(bar.upright).setTo(kObject);
    for (int frame = 0; frame < kJoinMemory; ++frame)
        EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined) << frame;
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Fitted);

    // Two thirds of the bar hidden behind something of other colours.
    bins(cv::Rect(70, 52, 12, 24)).setTo(kGround + 1);
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Parted);
    EXPECT_EQ(bar.fitter.fitted(0), nullptr);
}

TEST(BoxFitter, AJoinEndsWhenTheObjectIsSeenAloneBesideTheEstimateNotWhileLookAlikesOverlap)
{
    LearntBar bar(BoxFitSettings{true, false, true}), remembering;
    const RealBox estimate = real(bar.upright);
    const auto held = [&](cv::Mat bins) {  // a hand of the bar's colours holds it
        bins(cv::Rect(40, 52, 30, 10)).setTo(kObject);
        EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);
        EXPECT_EQ(remembering.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);
    };
    cv::Mat bins = plainBins();
    bins(bar.upright).setTo(kObject);
    held(bins.clone());

    // A look-alike crossing it: their patch is 14 pixels wide, of 1.17 bars'
    // count, and the estimate lies within it; the join is remembered.
    bins(bar.upright + cv::Point(2, 0)).setTo(kObject);
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);

    // The hand let go and the bar was pushed half its width to the right,
    // alone: the estimate, still where the join was, holds its left half.
    bins = plainBins();
    const cv::Rect pushed = bar.upright + cv::Point(6, 0);
    bins(pushed).setTo(kObject);
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Fitted);
    ASSERT_NE(bar.fitter.fitted(0), nullptr);
    EXPECT_DOUBLE_EQ(overlap(*bar.fitter.fitted(0), real(pushed)), 1.0);
    // Without the rule the join outlasts it as it would a crossing.
    EXPECT_EQ(remembering.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);

    // Beside the estimate, a patch of the bar's count but far taller than
    // its box is not the bar alone: the join is remembered.
    bins = plainBins();
    bins(bar.upright).setTo(kObject);
    held(bins);
    bins = plainBins();
    bins(cv::Rect(78, 28, 6, 60)).setTo(kObject);
    EXPECT_EQ(bar.fitter.fit(0, estimate, bar.firstBox, bins, nullptr), BoxFitter::Fit::Joined);
}

TEST(BoxFitter, BeyondTheEstimateOnlyForegroundCountsAndTheFirstBoxTellsTheColours)
{
    // The first box takes in a hand of another colour that reaches beyond
    // it: the hand's colour is in the ring too, so it is not the object's.
    cv::Mat bins = plainBins();
    const cv::Rect object(70, 40, 12, 36);
    bins(object).setTo(kObject);
    bins(cv::Rect(60, 70, 30, 10)).setTo(kObject + 1);  // the hand, across the box's foot
    BoxFitter fitter;
    fitter.learn(0, real(object), bins, nullptr);

    // A still thing of the object's colours touches it, outside its box,
    // where nothing differs from the background: not counted.
    bins(cv::Rect(82, 40, 20, 20)).setTo(kObject);
    cv::Mat foreground(bins.size(), CV_8U, cv::Scalar(0));
    foreground(object).setTo(255);
    EXPECT_EQ(fitter.fit(0, real(object), RealBox{0, 0, 12, 36}, bins, &foreground), BoxFitter::Fit::Fitted);
    ASSERT_NE(fitter.fitted(0), nullptr);
    const RealBox fitted = *fitter.fitted(0);
    // (A pixel touching one that differs counts: the edge a tight first box
    // leaves to the background is crossed.)
    EXPECT_GE(fitted.x, object.x);
    EXPECT_LE(fitted.x + fitted.width, object.x + object.width + 1);
}

TEST(BoxFitter, TheSessionReportsTheBoxOfABarThatTipsOver)
{
    // A green bar on grey turns from upright to lying over 30 frames.
    const cv::Point2f centre(160, 120);
    const auto frameAt = [&](double degrees) {
        cv::Mat frame(240, 320, CV_8UC3, cv::Scalar(150, 150, 150));
        cv::Point2f corners[4];
        cv::RotatedRect(centre, cv::Size2f(12, 40), static_cast<float>(degrees)).points(corners);
        std::vector<cv::Point> polygon;
        for (const cv::Point2f& c : corners)
            polygon.push_back(cv::Point(cvRound(c.x), cvRound(c.y)));
        cv::fillConvexPoly(frame, polygon, cv::Scalar(40, 180, 40));
        return frame;
    };
    const auto trueBox = [&](double degrees) {
        const cv::Rect r = cv::RotatedRect(centre, cv::Size2f(12, 40), static_cast<float>(degrees)).boundingRect();
        return real(r);
    };
    TrackingSettings unfitted = robustSettings();
    unfitted.fit.enabled = false;
    unfitted.motion.coastWhenJoined = false;
    const Box first{154, 100, 12, 40};
    auto withFit = startedOn(frameAt(0), first, robustSettings());
    auto without = startedOn(frameAt(0), first, unfitted);
    ASSERT_TRUE(withFit && without);
    double worstWith = 1.0, worstWithout = 1.0;
    for (int f = 1; f <= 45; ++f) {
        const double degrees = std::min(90.0, 3.0 * f);
        const cv::Mat frame = frameAt(degrees);
        ASSERT_EQ(withFit->step(frame), StepOutcome::Tracked);
        ASSERT_EQ(without->step(frame), StepOutcome::Tracked);
        worstWith = std::min(worstWith, overlap(withFit->targets()[0].box, trueBox(degrees)));
        worstWithout = std::min(worstWithout, overlap(without->targets()[0].box, trueBox(degrees)));
    }
    // Success, as the scores count it, on every frame; the filter's own box
    // stays upright inside the bar and fails.
    EXPECT_GE(worstWith, 0.5);
    EXPECT_LT(worstWithout, 0.5);
}

TEST(BoxFitter, TheSessionFollowsAnObjectPushedAwayFromUnderAHandOfItsColours)
{
    // A dark square with a red band on grey.  From frame 3 a red arm
    // reaches in from the left; on frames 6 to 10 its fingers lie over the
    // square's left third and push it faster and faster; then the arm stays
    // and the square glides on at 7 pixels a frame.
    const cv::Size square(30, 30);
    const auto squareX = [](int f) {
        static const int pushed[] = {60, 62, 65, 69, 74};
        return f <= 6 ? 60 : f <= 10 ? pushed[f - 6] : 74 + 7 * (f - 10);
    };
    const auto frameAt = [&](int f) {
        cv::Mat frame(240, 360, CV_8UC3, cv::Scalar(150, 150, 150));
        const cv::Point at(squareX(f), 100);
        frame(cv::Rect(at, square)).setTo(cv::Scalar(30, 30, 30));
        frame(cv::Rect(at, cv::Size(30, 10))).setTo(cv::Scalar(40, 40, 200));
        const int armEnd = f < 3 ? 0 : std::min(f <= 10 ? at.x + 10 : squareX(10), 20 * (f - 2));
        if (armEnd > 0)
            frame(cv::Rect(0, 108, armEnd, 14)).setTo(cv::Scalar(40, 40, 200));
        return frame;
    };
    // Both targets coast while joined; one remembers the join to its end.
    TrackingSettings joinEnds = robustSettings();
    joinEnds.motion.coastWhenJoined = true;
    TrackingSettings remembering = joinEnds;
    remembering.fit.endJoinApart = false;
    const Box first{60, 100, 30, 30};
    auto ending = startedOn(frameAt(0), first, joinEnds);
    auto coasting = startedOn(frameAt(0), first, remembering);
    ASSERT_TRUE(ending && coasting);
    int missedEnding = 0, missedCoasting = 0;
    for (int f = 1; f <= 24; ++f) {
        const cv::Mat frame = frameAt(f);
        ASSERT_EQ(ending->step(frame), StepOutcome::Tracked);
        ASSERT_EQ(coasting->step(frame), StepOutcome::Tracked);
        const RealBox truth = real(cv::Rect(cv::Point(squareX(f), 100), square));
        missedEnding += overlap(ending->targets()[0].box, truth) < 0.5;
        missedCoasting += overlap(coasting->targets()[0].box, truth) < 0.5;
    }
    // A join that ends loses the square for a frame as it shoots off; a
    // target whose join outlasts the arm coasts where the fingers were and
    // trails it.
    EXPECT_LE(missedEnding, 2);
    EXPECT_GE(missedCoasting, 4);
}
