#pragma once

// Following a camera that moves: the scene's motion from one frame to the
// next is estimated on a small grey copy of the frame, and the targets'
// samples, estimates and remembered positions move with it before the
// frame is tracked, so that the motion model only has to explain the
// objects' own motion.

#include "motion/camera_motion.h"

#include <opencv2/core.hpp>

#include <vector>

enum class CameraMode {
    Still,   // the camera is taken to stand still: nothing is estimated
    Moving,  // every trusted estimate of the scene's motion is followed
    Auto,    // estimated every frame, followed while the camera is judged to move
};

struct CameraSettings {
    CameraMode mode = CameraMode::Still;
    CameraMotionSettings motion;
};

class tavo;

// Moves every sample, estimate and last good position of the tracker's
// targets by `transform` (previous frame to this one); scales change by
// the transform's scale (samples and estimates within the motion settings'
// scale range), the remembered sizes too.
void moveTargetsWithCamera(tavo& tracker, const cv::Matx23d& transform);

// The estimate on frames no wider than kCameraFrameWidth: corners and
// optical flow need no more detail, and larger frames would cost far more
// than the tracking.
constexpr int kCameraFrameWidth = 160;

// In Auto, a camera judged still is estimated on every kAutoStillInterval-th
// frame only (see CameraMotionSettings::stillInterval): nothing is followed
// then, and a pan that starts is seen within that many frames.
constexpr int kAutoStillInterval = 4;

class CameraFollower {
public:
    explicit CameraFollower(const CameraSettings& settings) : settings_(settings), motion_(settings.motion) {}

    // The transform to follow for this frame (8-bit BGR), with `held` the
    // areas where targets are (their corners move on their own); nullptr
    // when there is nothing to follow (a still camera, an untrusted
    // estimate, or in Auto a camera judged still).
    const cv::Matx23d* next(const cv::Mat& frame, const std::vector<cv::Rect>& held);

private:
    CameraSettings settings_;
    CameraMotion motion_;
    cv::Mat grey_, small_;
    std::vector<cv::Rect> smallHeld_;
    cv::Matx23d transform_;
    int factor_ = 1;  // the frame's width over the copy's, a whole number
};
