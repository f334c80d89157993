// The learnt background of a still camera, the foreground share of a box,
// and the colour model's foreground cue built on it.

#include "appearance/background_model.h"
#include "appearance/colour_model.h"
#include "appearance/target_areas.h"
#include "session/tracking_session.h"

#include "patch_frames.h"

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

// The background under a first box, learnt once its object has left it.
namespace {

// A still, textured background of grey blocks.
cv::Mat blocks(int rows, int cols) { return greyBlocks(rows, cols, 3); }

// A plain object's colour, unlike any of the blocks.
const cv::Scalar kPlainObject(30, 60, 220);

// `still` with a patch of `colour` at `at`.
cv::Mat withPatch(const cv::Mat& still, cv::Rect at, const cv::Scalar& colour = kPlainObject)
{
    cv::Mat frame = still.clone();
    frame(at).setTo(colour);
    return frame;
}

// `model` prepared on `frame` with `held` as the targets' areas.
void prepareOn(BackgroundModel& model, const cv::Mat& frame, const std::vector<CvRect>& held)
{
    CvMat header = cvMat(frame);
    model.prepare(&header, held);
}

CvRect asCvRect(cv::Rect r) { return cvRect(r.x, r.y, r.width, r.height); }

}  // namespace

// Two models of the same frames, one compared over the whole frame and one
// near the targets alone; without light changes both do the same
// arithmetic where both compare.
struct NearAndWhole {
    BackgroundModel whole, near;
    explicit NearAndWhole(BackgroundSettings s) : whole(s), near(withNear(s)) {}
    static BackgroundSettings withNear(BackgroundSettings s)
    {
        s.nearTargets = true;
        return s;
    }
    void prepare(const cv::Mat& frame, const std::vector<CvRect>& held, cv::Rect area)
    {
        CvMat header = cvMat(frame);
        whole.prepare(&header, held);
        near.prepare(&header, held, nullptr, asCvRect(area));
    }
};

TEST(BackgroundNearTargets, TheAreaComparedMatchesTheWholeFramesModelAndNothingOutsideIsForeground)
{
    BackgroundSettings still;
    still.followLight = false;
    NearAndWhole models(still);
    const cv::Mat ground = blocks(64, 96);
    const cv::Rect area(8, 8, 48, 40);
    for (int i = 0; i < 12; ++i) {
        // An object crosses the area under its target; another moves outside it.
        const cv::Rect object(12 + 2 * i, 16, 12, 12), other(70, 4 + 3 * i, 10, 10);
        const cv::Mat frame = withPatch(withPatch(ground, object), other, cv::Scalar(200, 40, 40));
        models.prepare(frame, {asCvRect(object)}, area);
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        ASSERT_EQ(cv::countNonZero(models.near.foreground()(area) != models.whole.foreground()(area)), 0);
        for (const cv::Rect r : {object, cv::Rect(14, 12, 20, 20), cv::Rect(30, 20, 20, 20)}) {  // rings inside the area
            EXPECT_EQ(models.near.foregroundShare(asCvRect(r)), models.whole.foregroundShare(asCvRect(r)));
            EXPECT_EQ(models.near.ringForegroundShare(asCvRect(r), 4), models.whole.ringForegroundShare(asCvRect(r), 4));
        }
        if (i > 0) {
            EXPECT_GT(models.whole.foregroundShare(asCvRect(other)), 0.0);
            EXPECT_EQ(models.near.foregroundShare(asCvRect(other)), 0.0);
            EXPECT_EQ(cv::countNonZero(models.near.foreground()(other)), 0);
        }
    }
    // A rectangle that reaches out of the area counts the part inside it.
    const cv::Rect inside(12 + 22, 16, 12, 12);
    EXPECT_DOUBLE_EQ(models.near.foregroundShare(cvRect(34, 16, 40, 12)),
                     models.whole.foregroundShare(cvRect(34, 16, 22, 12)));
    EXPECT_EQ(models.near.foregroundShare(asCvRect(inside)), 1.0);
}

TEST(BackgroundNearTargets, TheRestOfTheFrameIsLearntOneBandOfRowsAFrame)
{
    BackgroundSettings still;
    still.followLight = false;
    still.nearTargets = true;
    BackgroundModel model(still);  // rate 0.05
    constexpr int kRows = 8 * BackgroundModel::kRefreshFrames;
    cv::Mat frame(kRows, 40, CV_8UC3, cv::Scalar::all(100));
    const cv::Rect area(0, 0, 20, 8);  // the first band's left half
    prepareOn(model, frame, {});       // the first frame: everything is seen
    frame.setTo(cv::Scalar::all(200));  // something comes to rest everywhere
    const float refreshRate = static_cast<float>(1.0 - std::pow(0.95, BackgroundModel::kRefreshFrames));
    for (int i = 1; i <= 2 * BackgroundModel::kRefreshFrames; ++i) {
        CvMat header = cvMat(frame);
        model.prepare(&header, {}, nullptr, asCvRect(area));
        const int band = i % BackgroundModel::kRefreshFrames;  // the one learnt on this frame
        for (int b = 0; b < BackgroundModel::kRefreshFrames; ++b) {
            const int times = i / BackgroundModel::kRefreshFrames + (b != 0 && b <= band ? 1 : 0);
            const float learnt = 100.0f + 100.0f * (1.0f - std::pow(1.0f - refreshRate, static_cast<float>(times)));
            EXPECT_NEAR(model.background().at<cv::Vec3f>(8 * b + 3, 30)[0], learnt, 0.01f)
                << "band " << b << " after frame " << i + 1;
        }
        // The area is learnt every frame at the set rate.
        EXPECT_NEAR(model.background().at<cv::Vec3f>(3, 10)[0], 100.0f + 100.0f * (1.0f - std::pow(0.95f, i)), 0.01f);
    }
}

TEST(BackgroundNearTargets, ALightChangeIsFollowedInTheBackgroundsOwnLight)
{
    BackgroundSettings settings;
    settings.nearTargets = true;
    BackgroundModel model(settings);
    Frame scene(40, 40, 160);
    const CvRect area = cvRect(0, 0, 40, 32);  // the last rows are learnt a band at a time
    model.prepare(scene.mat(), {}, nullptr, area);
    model.prepare(scene.mat(), {}, nullptr, area);
    // The light halves at once, and stays so.
    scene.image.setTo(cv::Scalar::all(80));
    scene.fill(cv::Rect(8, 8, 4, 4), cv::Scalar(20, 100, 20));  // an object, half as bright
    for (int i = 0; i < 3 * BackgroundModel::kRefreshFrames; ++i) {
        model.prepare(scene.mat(), {cvRect(8, 8, 4, 4)}, nullptr, area);
        ASSERT_EQ(model.foregroundShare(cvRect(20, 20, 10, 10)), 0.0) << "frame " << i;
        ASSERT_EQ(model.foregroundShare(cvRect(8, 8, 4, 4)), 1.0) << "frame " << i;
    }
}

TEST(RevealedBackground, TheFirstBoxIsLearntOnceItsObjectHasLeftItAndNotWhileItStays)
{
    BackgroundSettings settings;
    settings.learnRevealed = true;
    const cv::Rect firstBox(20, 10, 40, 40), object(20, 20, 16, 20);
    const cv::Mat still = blocks(60, 120);
    // The target stays where it started: its area holds the first box grown.
    const std::vector<CvRect> held{cvRect(10, 0, 60, 60)};
    const CvRect first = asCvRect(firstBox);
    BackgroundModel stays(settings), leaves(settings), without;
    const cv::Mat away = withPatch(still, object + cv::Point(60, 0)), there = withPatch(still, object);
    for (BackgroundModel* m : {&stays, &leaves, &without})
        prepareOn(*m, there, {first});
    for (int i = 0; i < 10; ++i) {
        prepareOn(stays, there, held);
        prepareOn(leaves, away, held);
        prepareOn(without, away, held);
        SCOPED_TRACE(i);
        EXPECT_EQ(stays.foregroundShare(first), 1.0) << "an object standing still is never learnt";
        EXPECT_EQ(without.foregroundShare(first), 1.0) << "without the rule, held pixels stay unknown";
        // Its place differs from the first look, and stays so: on the
        // third frame it is learnt, and as it covers a fifth of the box
        // (more than 0.15), the rest of the box, still as first seen, with it.
        EXPECT_EQ(leaves.foregroundShare(first), i <= 3 ? 1.0 : 0.0);
    }
    EXPECT_EQ(leaves.foregroundShare(cvRect(80, 20, 16, 20)), 1.0) << "the object where it went";
}

TEST(RevealedBackground, WithTheCameraTheFirstBoxMovesAndIsStillLearntOnceItsObjectHasLeft)
{
    // The camera pans 3 pixels between the first frame and the second, as
    // the object leaves; then it stands still.
    const cv::Mat world = blocks(60, 160);
    const cv::Rect firstBox(20, 10, 40, 40), object(20, 20, 16, 20);
    const auto view = [&](int x, cv::Rect at) { return withPatch(world(cv::Rect(x, 0, 120, 60)), at); };
    const cv::Matx23d pan(1, 0, -3, 0, 1, 0);
    const CvRect moved = asCvRect(firstBox - cv::Point(3, 0));
    const std::vector<CvRect> held{cvRect(7, 0, 60, 60)};
    BackgroundSettings settings;
    settings.learnRevealed = true;
    BackgroundModel forgotten(settings);
    settings.revealedWithCamera = true;
    BackgroundModel followed(settings);
    for (BackgroundModel* m : {&followed, &forgotten}) {
        prepareOn(*m, view(0, object), {asCvRect(firstBox)});
        m->moveWith(pan);
        for (int i = 0; i < 8; ++i)
            prepareOn(*m, view(3, object + cv::Point(57, 0)), held);
    }
    EXPECT_EQ(followed.foregroundShare(moved), 0.0) << "the moved first box, learnt";
    EXPECT_EQ(forgotten.foregroundShare(moved), 1.0) << "the watch forgotten at the camera's move";
}

TEST(RevealedBackground, AnObjectThatCreepsAwayKeepsThePartOfItsFirstBoxItStillCovers)
{
    // A uniform object filling its first box starts off slowly, a pixel
    // every third frame: each column it uncovers is learnt three frames
    // later, but no five frames uncover 0.15 of the box, so the part it
    // still covers, which looks as first seen, stays unknown.
    BackgroundSettings settings;
    settings.learnRevealed = true;
    BackgroundModel model(settings);
    const cv::Mat still = blocks(60, 120);
    const auto objectAt = [](int frameIndex) { return cv::Rect(20 + frameIndex / 3, 20, 20, 20); };
    prepareOn(model, withPatch(still, objectAt(0)), {cvRect(20, 20, 20, 20)});
    for (int i = 1; i <= 30; ++i)
        prepareOn(model, withPatch(still, objectAt(i)), {cvRect(10, 10, 50, 40)});
    EXPECT_EQ(model.foregroundShare(cvRect(20, 20, 5, 20)), 0.0) << "uncovered and learnt";
    EXPECT_EQ(model.foregroundShare(cvRect(30, 20, 10, 20)), 1.0) << "still covered";
}

TEST(RevealedBackground, ASmallPlainObjectMovingOffSlowlyUnderItsTargetIsNotLearnt)
{
    // An 18-pixel square of one colour moves a pixel a frame and its
    // target follows it: within 3 frames the strip it uncovered is more
    // than 0.15 of its first box, but that strip lies behind the target,
    // and the square itself, unchanged, must stay foreground.
    BackgroundSettings settings;
    settings.learnRevealed = true;
    BackgroundModel model(settings);
    const cv::Mat still = blocks(60, 120);
    const auto squareAt = [](int frameIndex) { return cv::Rect(20 + frameIndex, 20, 18, 18); };
    prepareOn(model, withPatch(still, squareAt(0)), {asCvRect(squareAt(0))});
    for (int i = 1; i <= 12; ++i) {
        const CvRect own = asCvRect(squareAt(i));
        prepareOn(model, withPatch(still, squareAt(i)), {grownRect(own, kTargetAreaGrowth)});
        SCOPED_TRACE(i);
        EXPECT_EQ(model.foregroundShare(own), 1.0);
    }
}

TEST(RevealedBackground, AnObjectWhoseLookDriftsSlowlyIsNotTakenForWhatItUncovered)
{
    // An object that stays but changes its look a little every frame (a
    // zoom, a turn, a slow change of light on it) soon differs from its
    // first look and is steady from frame to frame, as uncovered
    // background is; but it never changed at once, as background does
    // when the object's edge passes.
    BackgroundSettings settings;
    settings.learnRevealed = true;
    BackgroundModel model(settings);
    const cv::Mat still = blocks(60, 120);
    const cv::Rect object(30, 20, 20, 20);
    const CvRect own = asCvRect(object);
    const auto lookAt = [](int frameIndex) {
        return cv::Scalar(30 + 4 * frameIndex, 60 + 2 * frameIndex, 220 - 4 * frameIndex);
    };
    prepareOn(model, withPatch(still, object, lookAt(0)), {own});
    for (int i = 1; i <= 40; ++i) {
        prepareOn(model, withPatch(still, object, lookAt(i)), {grownRect(own, kTargetAreaGrowth)});
        SCOPED_TRACE(i);
        EXPECT_EQ(model.foregroundShare(own), 1.0);
    }
}

TEST(RevealedBackground, TheStillRuleEndsOnceTheObjectHasLeftItsPlaceWhereverItsTargetIs)
{
    // A plain object filling its first box moves 8 pixels at once and its
    // target follows: the strip it uncovered, a fifth of the box, lies
    // outside the target, so that the box is not taken as vacated and the
    // part the object still covers stays unknown and as first seen.  The
    // ring around a box inside that part counts those pixels as a still
    // object's; judged from the pixels wherever the target is, the rule
    // ends once the strip has been steady for three frames.
    BackgroundSettings settings;
    settings.learnRevealed = settings.ringCountsStillUnknown = true;
    BackgroundSettings guarded = settings;
    guarded.stillRuleWhileUnmoved = true;
    const cv::Mat still = blocks(60, 120);
    const cv::Rect first(20, 10, 40, 40), moved = first + cv::Point(8, 0);
    const std::vector<CvRect> heldThere{grownRect(asCvRect(first), kTargetAreaGrowth)},
        heldMoved{grownRect(asCvRect(moved), kTargetAreaGrowth)};
    const CvRect inside = cvRect(40, 20, 10, 10);
    BackgroundModel leaves(guarded), stays(guarded), unguarded(settings);
    for (BackgroundModel* m : {&leaves, &stays, &unguarded})
        prepareOn(*m, withPatch(still, first), {asCvRect(first)});
    for (int i = 1; i <= 6; ++i) {
        prepareOn(leaves, withPatch(still, moved), heldMoved);
        prepareOn(unguarded, withPatch(still, moved), heldMoved);
        prepareOn(stays, withPatch(still, first), heldThere);
        SCOPED_TRACE(i);
        EXPECT_EQ(unguarded.ringForegroundShare(inside, 4), 1.0);
        EXPECT_EQ(stays.ringForegroundShare(inside, 4), 1.0);
        EXPECT_EQ(leaves.ringForegroundShare(inside, 4), i < 4 ? 1.0 : 0.0);
    }
    // Once the camera moves, the first boxes can no longer be watched: the
    // judgement before the move stands.
    for (BackgroundModel* m : {&stays, &leaves}) {
        m->moveWith(cv::Matx23d(1, 0, 1, 0, 1, 0));
        const cv::Rect now = (m == &stays ? first : moved) + cv::Point(1, 0);
        prepareOn(*m, withPatch(still, now), {grownRect(asCvRect(now), kTargetAreaGrowth)});
    }
    EXPECT_EQ(stays.ringForegroundShare(cvRect(41, 20, 10, 10), 4), 1.0);
    EXPECT_EQ(leaves.ringForegroundShare(cvRect(41, 20, 10, 10), 4), 0.0);
}

TEST(RevealedBackground, ATargetFollowsAnObjectThatLeavesAFirstBoxMostlyOfBackground)
{
    // As a cyclist riding away from a goal: the first box holds the object
    // (a dark figure, a quarter of the box) and much of a goal's yellow
    // frame behind it, which draws the colours; the figure rides off at 5
    // pixels a frame.
    const cv::Mat still = [] {
        cv::Mat frame = blocks(200, 320);
        cv::rectangle(frame, cv::Rect(70, 50, 50, 80), cv::Scalar(40, 200, 230), 6);
        return frame;
    }();
    const cv::Rect firstBox(40, 50, 90, 80);
    const auto figureAt = [](int frameIndex) { return cv::Rect(44 + 5 * frameIndex, 60, 30, 64); };
    const auto frameAt = [&](int frameIndex) {
        cv::Mat frame = still.clone();
        frame(figureAt(frameIndex)).setTo(cv::Scalar(90, 30, 20));
        return frame;
    };
    // The figure has left the first box by frame 18; on each of the last
    // frames, a target that follows it holds its centre.
    constexpr int kFrames = 40, kLastFrames = 15;
    const auto followedFrames = [&](bool learnRevealed) {
        TrackingSettings settings = robustSettings();
        settings.colour.background.learnRevealed = learnRevealed;
        std::string error;
        auto session = TrackingSession::start(frameAt(0), {Box{firstBox.x, firstBox.y, firstBox.width,
                                                               firstBox.height}},
                                              settings, 1, error);
        EXPECT_TRUE(session) << error;
        int followed = 0;  // of the last frames
        for (int i = 1; session && i < kFrames; ++i) {
            EXPECT_EQ(session->step(frameAt(i)), StepOutcome::Tracked);
            const TrackedTarget& t = session->targets()[0];
            const cv::Rect2d box(t.box.x, t.box.y, t.box.width, t.box.height);
            const cv::Rect figure = figureAt(i);
            followed += i >= kFrames - kLastFrames &&
                        box.contains(cv::Point2d(figure.x + 0.5 * figure.width, figure.y + 0.5 * figure.height));
        }
        return followed;
    };
    EXPECT_EQ(followedFrames(false), 0) << "the target stays with the structure";
    EXPECT_EQ(followedFrames(true), kLastFrames);
}
