#include "motion/camera_compensation.h"

#include "core/tavo.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

void moveSample(Sample& s, const cv::Matx23d& transform, double scale, const MotionSettings* limits)
{
    const cv::Point2d p = moved(transform, cv::Point2d(s.posX, s.posY));
    s.posX = static_cast<float>(p.x);
    s.posY = static_cast<float>(p.y);
    const auto scaled = [&](float v) {
        const double next = v * scale;
        return static_cast<float>(limits ? std::min(limits->maxScale, std::max(limits->minScale, next)) : next);
    };
    s.scaleX = scaled(s.scaleX);
    s.scaleY = scaled(s.scaleY);
}

}  // namespace

void moveTargetsWithCamera(tavo& tracker, const cv::Matx23d& transform)
{
    const double scale = scaleOf(transform);
    const int width = static_cast<int>(tracker.frameWidth), height = static_cast<int>(tracker.frameHeight);
    for (const auto& owned : tracker.targets) {
        Target& t = *owned;
        Sample* samples = tracker.samples + t.firstSample;
        for (int i = 0; i < t.sampleCount; ++i) {
            Sample& s = samples[i];
            moveSample(s, transform, scale, tracker.motion);
            s.rect = s.imageRect(0, 0, width, height, t.baseWidth, t.baseHeight);
            s.region = Region::fromRect(s.rect);
        }
        moveSample(t.estimate, transform, scale, tracker.motion);
        const cv::Point2d good = moved(transform, cv::Point2d(t.motion.lastGoodX, t.motion.lastGoodY));
        t.motion.lastGoodX = static_cast<float>(good.x);
        t.motion.lastGoodY = static_cast<float>(good.y);
        // What a target remembers of its size moves with the camera's zoom too.
        t.motion.lastGoodScaleX = static_cast<float>(t.motion.lastGoodScaleX * scale);
        t.motion.lastGoodScaleY = static_cast<float>(t.motion.lastGoodScaleY * scale);
        t.motion.settledScaleX *= scale;
        t.motion.settledScaleY *= scale;
    }
}

const cv::Matx23d* CameraFollower::next(const cv::Mat& frame, const std::vector<cv::Rect>& held)
{
    if (settings_.mode == CameraMode::Still)
        return nullptr;
    if (!motion_.wantsFrame()) {
        motion_.skip();  // judged still: nothing to follow
        return nullptr;
    }
    // Reduced by a whole factor, so that the transform scales back exactly:
    // the rows and columns beyond the last whole block are left out, and
    // each pixel of the copy is the mean of its own factor x factor block.
    const int factor = std::max(1, (frame.cols + kCameraFrameWidth - 1) / kCameraFrameWidth);
    const cv::Size reduced(frame.cols / factor, frame.rows / factor);
    cv::cvtColor(frame(cv::Rect(0, 0, reduced.width * factor, reduced.height * factor)), grey_,
                 cv::COLOR_BGR2GRAY);
    if (factor != factor_) {
        // The judgement's shift is in the frame's pixels, the estimate's in the copy's.
        factor_ = factor;
        CameraMotionSettings onCopy = settings_.motion;
        onCopy.movingShift /= factor;
        onCopy.driftShift /= factor;
        onCopy.stillInterval = settings_.mode == CameraMode::Auto ? kAutoStillInterval : 1;
        motion_ = CameraMotion(onCopy);
    }
    const cv::Mat* used = &grey_;
    smallHeld_.clear();
    for (const cv::Rect& r : held)
        smallHeld_.push_back(cv::Rect(r.x / factor, r.y / factor, (r.width + factor - 1) / factor + 1,
                                      (r.height + factor - 1) / factor + 1));
    if (factor > 1) {
        cv::resize(grey_, small_, reduced, 0, 0, cv::INTER_AREA);
        used = &small_;
    }
    const CameraStep& step = motion_.next(*used, smallHeld_);
    if (!step.trusted || (settings_.mode == CameraMode::Auto && !motion_.moving()))
        return nullptr;
    // Pixel centres: full = factor * (small + 0.5) - 0.5 for INTER_AREA.
    const cv::Matx23d& a = step.transform;
    const double f = factor, c = 0.5 * (f - 1.0);
    transform_ = a;
    for (int row = 0; row < 2; ++row)
        transform_(row, 2) = f * a(row, 2) + c * (1.0 - a(row, row)) - c * a(row, 1 - row);
    return &transform_;
}
