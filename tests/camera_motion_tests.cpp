// The camera's frame-to-frame motion, the judgement whether it moves, and
// the background moved with it.

#include "appearance/background_model.h"
#include "motion/camera_motion.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

namespace {

// A textured grey scene: random blocks of 8 pixels, slightly smoothed.
cv::Mat texture(cv::Size size, uint64_t seed)
{
    cv::Mat blocks(size.height / 8 + 1, size.width / 8 + 1, CV_8U), scene;
    cv::RNG(seed).fill(blocks, cv::RNG::UNIFORM, 0, 256);
    cv::resize(blocks, scene, cv::Size(blocks.cols * 8, blocks.rows * 8), 0, 0, cv::INTER_NEAREST);
    cv::GaussianBlur(scene(cv::Rect(cv::Point(0, 0), size)), scene, cv::Size(5, 5), 1.0);
    return scene;
}

cv::Mat warped(const cv::Mat& image, const cv::Matx23d& transform)
{
    cv::Mat out;
    cv::warpAffine(image, out, transform, image.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    return out;
}

// The largest distance between where two transforms take the frame's corners.
double disagreement(const cv::Matx23d& a, const cv::Matx23d& b, cv::Size size)
{
    double worst = 0.0;
    for (cv::Point2d p : {cv::Point2d(0, 0), cv::Point2d(size.width, 0), cv::Point2d(0, size.height),
                          cv::Point2d(size)})
        worst = std::max(worst, cv::norm(moved(a, p) - moved(b, p)));
    return worst;
}

const cv::Matx23d kIdentity(1, 0, 0, 0, 1, 0);
const cv::Size kFrame(320, 240);

}  // namespace

TEST(CameraMotion, RecoversShiftsRotationsAndScales)
{
    const cv::Mat scene = texture(kFrame, 1);
    const cv::Matx23d turned = cv::getRotationMatrix2D(cv::Point2f(kFrame.width / 2.0f, kFrame.height / 2.0f), 3, 1.05);
    for (const cv::Matx23d& truth : {cv::Matx23d(1, 0, 7, 0, 1, -4), turned}) {
        CameraMotion motion;
        EXPECT_FALSE(motion.next(scene, {}).trusted) << "the first frame";
        const CameraStep& step = motion.next(warped(scene, truth), {});
        ASSERT_TRUE(step.trusted) << step.tracked << " tracked, " << step.inliers << " inliers";
        EXPECT_LT(disagreement(step.transform, truth, kFrame), 0.5) << cv::Mat(step.transform);
        EXPECT_NEAR(scaleOf(step.transform), scaleOf(truth), 0.005);
        EXPECT_NEAR(step.shift, cv::norm(moved(truth, {0, 0})), 0.5);
    }
}

TEST(CameraMotion, ExcludedObjectsDoNotMoveTheCameraButAPanDoes)
{
    CameraMotionSettings settings;
    CameraMotion motion(settings);
    // A faint background and a large object of strong contrast, whose corners
    // would outnumber the background's were it not excluded.
    const cv::Mat background = texture(kFrame, 2) * 0.25 + 90, object = texture(cv::Size(150, 150), 3);
    for (int frame = 0; frame < 12; ++frame) {
        const cv::Rect box(20 + 6 * frame, 45, 150, 150);
        cv::Mat image = background.clone();
        object.copyTo(image(box));
        const CameraStep& step = motion.next(image, {box});
        if (frame > 0) {
            ASSERT_TRUE(step.trusted) << "frame " << frame;
            EXPECT_LT(disagreement(step.transform, kIdentity, kFrame), 0.2) << "frame " << frame;
        }
        EXPECT_FALSE(motion.moving());
    }
    // A steady pan of 5 px per frame over a wider scene; then a camera that
    // moves every other frame keeps the judgement it had; then it stops.
    const cv::Mat wide = texture(cv::Size(kFrame.width + 5 * 40, kFrame.height), 4);
    int x = 0, panned = 0;
    for (; panned < settings.judgementFrames && !motion.moving(); ++panned, x += 5)
        motion.next(wide(cv::Rect(cv::Point(x, 0), kFrame)), {});
    EXPECT_TRUE(motion.moving()) << "still after " << panned << " frames of panning";
    for (int frame = 0; frame < 2 * settings.judgementFrames; ++frame, x += 5 * (frame % 2)) {
        EXPECT_TRUE(motion.next(wide(cv::Rect(cv::Point(x, 0), kFrame)), {}).trusted);
        EXPECT_TRUE(motion.moving()) << "flickered on frame " << frame << " of the halting pan";
    }
    int stopped = 0;
    for (; stopped < settings.judgementFrames && motion.moving(); ++stopped)
        motion.next(wide(cv::Rect(cv::Point(x, 0), kFrame)), {});
    EXPECT_FALSE(motion.moving()) << "still moving " << stopped << " frames after the camera stopped";
}

TEST(CameraMotion, JudgedEarlyAClipThatPansFromItsStartIsFollowedFromItsFifthFrameButAJoltIsNot)
{
    const cv::Mat wide = texture(cv::Size(kFrame.width + 5 * 20, kFrame.height), 8);
    const auto view = [&](int x) { return wide(cv::Rect(cv::Point(x, 0), kFrame)); };
    CameraMotionSettings early;
    early.judgeEarly = true;
    CameraMotion panning(early), waiting;
    for (int frame = 0; frame <= 10; ++frame) {
        panning.next(view(5 * frame), {});
        waiting.next(view(5 * frame), {});
        EXPECT_EQ(panning.moving(), frame >= 4) << "frame " << frame << ": three of four steps shift a pan";
        EXPECT_EQ(waiting.moving(), frame >= 10) << "frame " << frame << ": ten of fifteen steps, the rest still";
    }
    // A jolt out and back among the first steps, then a still camera.
    CameraMotion jolted(early);
    for (int frame = 0; frame < 20; ++frame) {
        jolted.next(view(frame == 2 ? 5 : 0), {});
        EXPECT_FALSE(jolted.moving()) << "frame " << frame;
    }
}

TEST(CameraMotion, ASlowPanAddsUpToMotionButAJitterAboutOnePlaceDoesNot)
{
    // A pan of 0.4 px a frame, below movingShift in every step, and a camera
    // that jitters by up to 0.6 px about where it stands.
    const cv::Mat scene = texture(cv::Size(kFrame.width + 40, kFrame.height + 40), 9);
    const auto view = [&](double x, double y) {
        return warped(scene, cv::Matx23d(1, 0, -x, 0, 1, -y))(cv::Rect(cv::Point(20, 20), kFrame));
    };
    CameraMotionSettings drift;
    drift.driftShift = 3.0;
    CameraMotion panning(drift), plain, jittered(drift);
    cv::RNG rng(10);
    int judged = -1;
    for (int frame = 0; frame < 40; ++frame) {
        const cv::Mat panned = view(0.4 * frame, 0.0);
        panning.next(panned, {});
        plain.next(panned, {});
        EXPECT_FALSE(plain.moving()) << "frame " << frame << ": no step shifts by movingShift";
        if (judged < 0 && panning.moving())
            judged = frame;
        jittered.next(view(rng.uniform(-0.6, 0.6), rng.uniform(-0.6, 0.6)), {});
        EXPECT_FALSE(jittered.moving()) << "frame " << frame;
    }
    // 3 px at 0.4 px a frame: the eighth step; the steps' errors allow one more.
    EXPECT_GE(judged, 7);
    EXPECT_LE(judged, 10);
    EXPECT_TRUE(panning.moving());
}

TEST(CameraMotion, AStillCameraIsEstimatedSparselyAndALatePanSeenWithinTheInterval)
{
    // The same frames to a camera estimated every frame and to one that
    // estimates every fourth while still: a long still start, then a pan.
    // The still start is textured, or plain (too few corners to fit: it
    // cannot show motion, and is estimated sparsely too).
    CameraMotionSettings everyFrame, sparse;
    sparse.stillInterval = 4;
    const cv::Mat wide = texture(cv::Size(kFrame.width + 5 * 60, kFrame.height), 7);
    const cv::Mat plain(kFrame, CV_8U, cv::Scalar(128));
    constexpr int kStill = 60;
    for (const bool plainStart : {false, true}) {
        SCOPED_TRACE(plainStart ? "plain start" : "textured start");
        CameraMotion dense(everyFrame), thin(sparse);
        int estimated = 0, denseMoving = -1, thinMoving = -1;
        for (int frame = 0; frame < kStill + 40 && (denseMoving < 0 || thinMoving < 0); ++frame) {
            const int x = frame < kStill ? 0 : 5 * (frame - kStill + 1);
            const cv::Mat image = plainStart && frame < kStill ? plain : wide(cv::Rect(cv::Point(x, 0), kFrame));
            dense.next(image, {});
            if (thin.wantsFrame()) {
                thin.next(image, {});
                estimated += frame < kStill;
            } else {
                thin.skip();
            }
            if (frame < kStill) {
                ASSERT_FALSE(thin.moving() || dense.moving()) << "frame " << frame;
            }
            if (denseMoving < 0 && dense.moving())
                denseMoving = frame;
            if (thinMoving < 0 && thin.moving())
                thinMoving = frame;
        }
        // Every frame until the judgement had a full window of still steps,
        // then one in four.
        EXPECT_LE(estimated, everyFrame.judgementFrames + 1 + (kStill - everyFrame.judgementFrames) / 4 + 1);
        ASSERT_GE(denseMoving, kStill);
        ASSERT_GE(thinMoving, kStill) << "never judged moving";
        // From a plain start, the first textured frame estimated only finds
        // the corners that the next one follows.
        const int missed = (plainStart ? 2 : 1) * sparse.stillInterval - 1;
        EXPECT_LE(thinMoving, denseMoving + missed) << "the pan's start missed by more than the interval";
    }
}

TEST(CameraMotion, BlankOrResizedFramesGiveTheUntrustedIdentity)
{
    CameraMotion motion;
    const cv::Mat blank(kFrame, CV_8U, cv::Scalar(128));
    motion.next(blank, {});
    const CameraStep& step = motion.next(blank, {});
    EXPECT_FALSE(step.trusted);
    EXPECT_EQ(step.transform, kIdentity);
    EXPECT_EQ(step.tracked, 0);

    motion.next(texture(kFrame, 5), {});
    EXPECT_FALSE(motion.next(texture(cv::Size(200, 150), 5), {}).trusted);
    EXPECT_EQ(motion.last().transform, kIdentity);
    EXPECT_TRUE(motion.next(texture(cv::Size(200, 150), 5), {}).trusted) << "followed again at the new size";
}

TEST(BackgroundModel, MovesWithTheCamera)
{
    const cv::Matx23d pan(1, 0, 6, 0, 1, 0);  // the scene moves 6 px to the right
    BackgroundModel model;
    model.moveWith(pan);  // nothing learnt yet: nothing happens
    cv::Mat frame;
    cv::cvtColor(texture(kFrame, 6), frame, cv::COLOR_GRAY2BGR);
    cv::Mat next = warped(frame, pan);
    CvMat header = cvMat(frame);
    model.prepare(&header, {});
    model.moveWith(pan);
    model.prepare(&(header = cvMat(next)), {});
    EXPECT_EQ(model.foregroundShare(cvRect(10, 10, 300, 220)), 0.0);
    EXPECT_EQ(model.foregroundShare(cvRect(0, 0, 6, 240)), 1.0) << "the strip come into view is unknown";
}
