#include "motion/camera_motion.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Optical flow's search window: large enough to hold a corner's
// neighbourhood on textured scenes, small enough to stay on one surface.
const cv::Size kFlowWindow(21, 21);
// Pyramid levels above the full image: each halves the motion, so that
// motions of some tens of pixels per frame (a quick pan) are followed.
constexpr int kFlowLevels = 3;
// Lucas-Kanade iterations stop after this many, or once a step moves
// less than this many pixels.
const cv::TermCriteria kFlowStop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
// A corner followed to the current frame and back must land this close to
// where it started (px); farther, the flow slid along an edge or onto
// another surface.
constexpr double kMaxRoundTrip = 1.0;
// goodFeaturesToTrack's neighbourhood for the corner measure, px.
constexpr int kCornerBlock = 3;
// RANSAC's effort: iterations and the confidence at which it may stop.
constexpr size_t kFitIterations = 2000;
constexpr double kFitConfidence = 0.99;
// Levenberg-Marquardt refinements of the fit on its inliers.
constexpr size_t kFitRefinements = 10;
// A camera does not zoom by more than this from one frame to the next: a
// fit outside is a failed one.
constexpr double kMinScale = 0.8;
constexpr double kMaxScale = 1.25;
// With judgeEarly: while fewer than judgementFrames trusted steps have been
// seen, the camera is judged on those seen once there are this many: a
// jolt out and back shifts two steps and does not make a pan, three of
// four do.  Nor is a drift judged on fewer steps: the sum of one or two
// is those steps, which movingShift judges.
constexpr int kFewestJudgedSteps = 4;

// A point within `margin` pixels of a rectangle, or inside it.
bool nearAny(const std::vector<cv::Rect>& rects, cv::Point2f p, int margin = 0)
{
    for (const cv::Rect& r : rects)
        if (p.x >= r.x - margin && p.y >= r.y - margin && p.x < r.x + r.width + margin &&
            p.y < r.y + r.height + margin)
            return true;
    return false;
}

// The median of `values` (the upper one of an even count); reorders them.
float median(std::vector<float>& values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The largest displacement the transform gives a corner of the frame.
double largestShift(const cv::Matx23d& transform, cv::Size size)
{
    const double right = size.width - 1, bottom = size.height - 1;
    const cv::Point2d corners[] = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}};
    double shift = 0.0;
    for (const cv::Point2d& c : corners)
        shift = std::max(shift, cv::norm(moved(transform, c) - c));
    return shift;
}

bool finite(const cv::Matx23d& transform)
{
    for (double v : transform.val)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace

double scaleOf(const cv::Matx23d& transform)
{
    return std::hypot(transform(0, 0), transform(1, 0));
}

CameraMotion::CameraMotion(const CameraMotionSettings& settings) : settings_(settings)
{
    const size_t most = static_cast<size_t>(std::max(0, settings_.maxCorners));
    for (auto* points : {&corners_, &forward_, &backward_, &from_, &to_})
        points->reserve(most);
    for (auto* flags : {&forwardFound_, &backwardFound_, &inlierFlags_, &awayFlags_})
        flags->reserve(most);
    for (auto* values : {&flowErrors_, &awayShiftsX_, &awayShiftsY_})
        values->reserve(most);
    movedSteps_.assign(static_cast<size_t>(std::max(1, settings_.judgementFrames)), 0);
    driftSteps_.assign(movedSteps_.size(), cv::Point2d(0.0, 0.0));
}

const CameraStep& CameraMotion::next(const cv::Mat& grey, const std::vector<cv::Rect>& excluded)
{
    CV_Assert(!grey.empty() && grey.type() == CV_8UC1);
    step_ = CameraStep();
    const int span = skipped_ + 1;
    skipped_ = 0;
    cv::buildOpticalFlowPyramid(grey, currentPyramid_, kFlowWindow, kFlowLevels);
    if (grey.size() != size_) {
        restart(grey.size());
    } else if (corners_.size() < static_cast<size_t>(std::max(2, settings_.minInliers))) {
        // Too few corners on the frame before for a trusted fit (a plain
        // scene): no step could tell a moving camera from a still one, so
        // none holds the estimate to every frame either.
        ++stillRun_;
    } else {
        followCorners(excluded);
        fitStep();
        if (step_.trusted)
            judge(span);
        else
            stillRun_ = 0;  // perhaps a motion too large to follow: every frame again
    }
    findCorners(grey, excluded);
    std::swap(previousPyramid_, currentPyramid_);
    return step_;
}

void CameraMotion::restart(cv::Size size)
{
    size_ = size;
    std::fill(movedSteps_.begin(), movedSteps_.end(), 0);
    std::fill(driftSteps_.begin(), driftSteps_.end(), cv::Point2d(0.0, 0.0));
    nextSlot_ = movedCount_ = seen_ = stillRun_ = skipped_ = 0;
    moving_ = false;
}

void CameraMotion::followCorners(const std::vector<cv::Rect>& excluded)
{
    cv::calcOpticalFlowPyrLK(previousPyramid_, currentPyramid_, corners_, forward_, forwardFound_, flowErrors_,
                             kFlowWindow, kFlowLevels, kFlowStop);
    backward_ = corners_;  // the starting guess of the way back
    cv::calcOpticalFlowPyrLK(currentPyramid_, previousPyramid_, forward_, backward_, backwardFound_, flowErrors_,
                             kFlowWindow, kFlowLevels, kFlowStop, cv::OPTFLOW_USE_INITIAL_FLOW);
    from_.clear();
    to_.clear();
    awayFlags_.clear();
    const cv::Rect frame(cv::Point(0, 0), size_);
    for (size_t i = 0; i < corners_.size(); ++i) {
        if (!forwardFound_[i] || !backwardFound_[i])
            continue;
        if (cv::norm(backward_[i] - corners_[i]) > kMaxRoundTrip)
            continue;
        if (!forward_[i].inside(frame) || nearAny(excluded, forward_[i]))
            continue;
        from_.push_back(corners_[i]);
        to_.push_back(forward_[i]);
        awayFlags_.push_back(nearAny(excluded, forward_[i], kFlowWindow.width / 2) ? 0 : 1);
    }
    step_.tracked = static_cast<int>(from_.size());
}

void CameraMotion::fitStep()
{
    if (step_.tracked < std::max(2, settings_.minInliers))
        return;
    const cv::Mat fit = cv::estimateAffinePartial2D(from_, to_, inlierFlags_, cv::RANSAC, settings_.fitTolerance,
                                                    kFitIterations, kFitConfidence, kFitRefinements);
    if (fit.empty())
        return;
    const cv::Matx23d transform(fit.ptr<double>());
    step_.inliers = cv::countNonZero(inlierFlags_);
    const double scale = scaleOf(transform);
    step_.trusted = finite(transform) && scale >= kMinScale && scale <= kMaxScale &&
                    step_.inliers >= settings_.minInliers &&
                    step_.inliers >= settings_.minInlierShare * step_.tracked;
    if (!step_.trusted)
        return;
    step_.transform = transform;
    step_.shift = largestShift(transform, size_);
}

void CameraMotion::judge(int span)
{
    const double shift = step_.shift;
    // A step over several frames shifted when a frame's share of its shift
    // did; any shift it shows brings back every frame.
    stillRun_ = shift > settings_.movingShift ? 0 : stillRun_ + 1;
    const int frames = static_cast<int>(movedSteps_.size());
    const unsigned char shifted = shift > settings_.movingShift * span ? 1 : 0;
    movedCount_ += shifted - movedSteps_[nextSlot_];
    movedSteps_[nextSlot_] = shifted;
    driftSteps_[nextSlot_] = driftStep();
    nextSlot_ = (nextSlot_ + 1) % frames;
    seen_ = std::min(seen_ + 1, frames);
    // Without judgeEarly, steps not yet seen count as still ones.
    const int judged = settings_.judgeEarly ? seen_ : frames;
    const int fewest = std::min(kFewestJudgedSteps, frames);
    if ((seen_ >= fewest && drifting()) || (judged >= fewest && 3 * movedCount_ >= 2 * judged))
        moving_ = true;
    else if (3 * movedCount_ <= judged)
        moving_ = false;
}

cv::Point2d CameraMotion::driftStep()
{
    if (settings_.driftShift <= 0.0)
        return cv::Point2d(0.0, 0.0);
    awayShiftsX_.clear();
    awayShiftsY_.clear();
    for (size_t i = 0; i < from_.size(); ++i)
        if (inlierFlags_[i] && awayFlags_[i]) {
            awayShiftsX_.push_back(to_[i].x - from_[i].x);
            awayShiftsY_.push_back(to_[i].y - from_[i].y);
        }
    if (awayShiftsX_.size() < static_cast<size_t>(std::max(1, settings_.minInliers)))
        return cv::Point2d(0.0, 0.0);
    return cv::Point2d(median(awayShiftsX_), median(awayShiftsY_));
}

bool CameraMotion::drifting() const
{
    if (settings_.driftShift <= 0.0)
        return false;
    cv::Point2d sum(0.0, 0.0);
    for (const cv::Point2d& step : driftSteps_)
        sum += step;
    return cv::norm(sum) > settings_.driftShift;
}

void CameraMotion::findCorners(const cv::Mat& grey, const std::vector<cv::Rect>& excluded)
{
    mask_.create(grey.size(), CV_8U);
    mask_.setTo(255);
    const cv::Rect frame(cv::Point(0, 0), grey.size());
    for (const cv::Rect& r : excluded) {
        const cv::Rect inside = r & frame;
        if (!inside.empty())
            mask_(inside).setTo(0);
    }
    cv::goodFeaturesToTrack(grey, corners_, settings_.maxCorners, settings_.cornerQuality, settings_.cornerSpacing,
                            mask_, kCornerBlock);
}
