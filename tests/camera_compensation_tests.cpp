// Following a moving camera: the follower's estimate on full-size frames
// (measured on a reduced copy), what each mode follows, and the targets
// moved with it.

#include "appearance/target_areas.h"
#include "motion/camera_compensation.h"
#include "replay/textured_scene.h"
#include "session/tracking_session.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

namespace {

// A textured scene larger than the view, so that views can be cut from it.
cv::Mat world(int width, int height)
{
    cv::Mat noise(height / 8, width / 8, CV_8UC3);
    cv::RNG(11).fill(noise, cv::RNG::UNIFORM, 0, 256);
    cv::Mat image;
    cv::resize(noise, image, cv::Size(width, height), 0, 0, cv::INTER_CUBIC);
    return image;
}

cv::Mat view(const cv::Mat& scene, cv::Point at, cv::Size size) { return scene(cv::Rect(at, size)).clone(); }

}  // namespace

TEST(CameraFollower, FollowsAShiftOfAFullSizeFrameAndOnlyWhatTheModeAsks)
{
    const cv::Mat scene = world(1000, 700);
    const cv::Size size(640, 480);  // estimated on a copy a quarter as wide
    CameraSettings moving;
    moving.mode = CameraMode::Moving;
    // 718x574: the copy (143x114, a fifth) leaves out the last rows and columns.
    for (const cv::Size frame : {size, cv::Size(718, 574)}) {
        CameraFollower follower(moving);
        EXPECT_EQ(follower.next(view(scene, {60, 50}, frame), {}), nullptr) << "nothing to follow on the first frame";
        const cv::Matx23d* t = follower.next(view(scene, {53, 54}, frame), {cv::Rect(300, 200, 40, 60)});
        ASSERT_NE(t, nullptr) << frame;
        // The view moved by (-7, +4): the scene by (+7, -4).
        const cv::Point2d last(frame.width - 1, frame.height - 1);
        for (const cv::Point2d p : {cv::Point2d(0, 0), last, last / 2}) {
            const cv::Point2d q = moved(*t, p);
            EXPECT_NEAR(q.x - p.x, 7.0, 0.5) << frame << p;
            EXPECT_NEAR(q.y - p.y, -4.0, 0.5) << frame << p;
        }
    }

    CameraSettings still;
    CameraFollower none(still);
    none.next(view(scene, {60, 50}, size), {});
    EXPECT_EQ(none.next(view(scene, {53, 54}, size), {}), nullptr);

    // Auto follows only once the camera is judged to move.
    CameraSettings automatic;
    automatic.mode = CameraMode::Auto;
    CameraFollower judge(automatic);
    int followed = 0;
    for (int i = 0; i < 30; ++i)
        followed += judge.next(view(scene, {100 + 3 * i, 50}, size), {}) != nullptr;
    EXPECT_GT(followed, 10);
    EXPECT_LT(followed, 29) << "not before the judgement";
    CameraFollower calm(automatic);
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(calm.next(view(scene, {100, 50}, size), {}), nullptr);
}

TEST(CameraFollower, ObjectsSwingingTogetherOverAStillGroundAreNoDrift)
{
    // Five tracked objects swinging in step on a still 1280x720 ground,
    // their boxes held as a session holds its targets' areas: the corners
    // beside their edges follow them, within the fit's tolerance, and lean
    // the fitted frame centre their way (by half a pixel of the copy over
    // the judgement's steps, more than the drift allows); the corners of
    // the ground away from them do not move.
    const TexturedScene scene(1280, 720, 5, 60, 120);
    CameraSettings settings;
    settings.mode = CameraMode::Auto;
    settings.motion.judgeEarly = true;
    settings.motion.driftShift = 3.0;
    CameraFollower follower(settings);
    for (int f = 0; f < 40; ++f) {
        std::vector<cv::Rect> held;
        for (const cv::Rect& box : scene.boxesAt(f)) {
            const int dx = static_cast<int>(std::ceil(kTargetAreaGrowth * box.width));
            const int dy = static_cast<int>(std::ceil(kTargetAreaGrowth * box.height));
            held.emplace_back(box.x - dx, box.y - dy, box.width + 2 * dx, box.height + 2 * dy);
        }
        ASSERT_EQ(follower.next(scene.frameAt(f), held), nullptr) << "followed on frame " << f;
    }
}

TEST(CameraFollower, AShakingCameraKeepsTheTargetOnItsObject)
{
    // A figure standing in a scene filmed by a camera that jumps up to 10
    // pixels a frame: followed, the target stays on it.
    cv::Mat scene = world(600, 450);
    const cv::Rect figure(280, 200, 24, 60);
    cv::rectangle(scene, figure, cv::Scalar(40, 40, 160), cv::FILLED);
    const cv::Size size(320, 240);
    cv::RNG rng(5);
    cv::Point at(140, 110);
    std::string error;
    TrackingSettings settings = robustSettings();
    settings.camera.mode = CameraMode::Moving;
    auto session = TrackingSession::start(view(scene, at, size),
                                          {Box{figure.x - at.x, figure.y - at.y, figure.width, figure.height}},
                                          settings, 1, error);
    ASSERT_TRUE(session) << error;
    for (int i = 0; i < 60; ++i) {
        at += cv::Point(rng.uniform(-10, 11), rng.uniform(-10, 11));
        at.x = std::clamp(at.x, 60, 220);
        at.y = std::clamp(at.y, 60, 150);
        ASSERT_EQ(session->step(view(scene, at, size)), StepOutcome::Tracked);
        const TrackedTarget& t = session->targets()[0];
        EXPECT_NEAR(t.x, figure.x + 12 - at.x, 4.0) << "frame " << i + 2;
        EXPECT_NEAR(t.y, figure.y + 30 - at.y, 4.0) << "frame " << i + 2;
    }
}
