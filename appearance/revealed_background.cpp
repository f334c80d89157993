#include "appearance/revealed_background.h"

#include "appearance/target_areas.h"
#include "support/affine_point.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The largest absolute difference of the three channels of a frame's pixel
// from a background pixel scaled by the gain (as the background pass
// computes it).
inline float largestDifference(const uint8_t* f, const float* b, const float* gain)
{
    float most = 0.0f;
    for (int c = 0; c < 3; ++c)
        most = std::max(most, std::fabs(static_cast<float>(f[c]) - b[c] * gain[c]));
    return most;
}

// The same between two frames' pixels.
inline int largestDifference(const uint8_t* f, const uint8_t* g)
{
    int most = 0;
    for (int c = 0; c < 3; ++c)
        most = std::max(most, std::abs(static_cast<int>(f[c]) - static_cast<int>(g[c])));
    return most;
}

// The whole-pixel rectangle around where `transform` takes the corners of `rect`.
cv::Rect movedRect(const cv::Rect& rect, const cv::Matx23d& transform)
{
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const cv::Point2d c : {cv::Point2d(rect.tl()), cv::Point2d(rect.x + rect.width, rect.y),
                                cv::Point2d(rect.x, rect.y + rect.height), cv::Point2d(rect.br())}) {
        const cv::Point2d m = moved(transform, c);
        x0 = std::min(x0, m.x), y0 = std::min(y0, m.y), x1 = std::max(x1, m.x), y1 = std::max(y1, m.y);
    }
    return cv::Rect(cv::Point(static_cast<int>(std::floor(x0)), static_cast<int>(std::floor(y0))),
                    cv::Point(static_cast<int>(std::ceil(x1)), static_cast<int>(std::ceil(y1))));
}

}  // namespace

void RevealedBackground::start(const cv::Mat& image, const std::vector<CvRect>& firstBoxes)
{
    forget();
    unmovedWhenForgotten_ = false;
    const cv::Rect frame(0, 0, image.cols, image.rows);
    for (const CvRect& r : firstBoxes) {
        FirstBox box;
        box.rect = cv::Rect(r.x, r.y, r.width, r.height) & frame;
        if (box.rect.empty())
            continue;
        region_ = firstBoxes_.empty() ? box.rect : (region_ | box.rect);
        firstBoxes_.push_back(box);
    }
    if (firstBoxes_.empty())
        return;
    steadyFrames_ = cv::Mat::zeros(image.size(), CV_8U);
    asFirstSeen_ = cv::Mat::zeros(image.size(), CV_8U);
    jumped_ = cv::Mat::zeros(image.size(), CV_8U);
    inTarget_ = cv::Mat::zeros(image.size(), CV_8U);
    image(region_).copyTo(previous_);
}

void RevealedBackground::mark(const cv::Mat& image, const cv::Mat& background, const float* gain,
                              const cv::Mat& known, float threshold, const std::vector<CvRect>& held,
                              cv::Mat& learn)
{
    if (previous_.empty() || steadyFrames_.size() != image.size())
        return;
    int unknown = 0;
    for (int y = region_.y; y < region_.y + region_.height; ++y)
        unknown += markRow(image, background, gain, known, threshold, y, learn);
    markVacated(held, learn);
    if (unknown == 0) {
        forget();  // every pixel is known: none can be unknown again before the next start
        return;
    }
    image(region_).copyTo(previous_);
}

int RevealedBackground::markRow(const cv::Mat& image, const cv::Mat& background, const float* gain,
                                const cv::Mat& known, float threshold, int y, cv::Mat& learn)
{
    const uint8_t* f = image.ptr<uint8_t>(y);
    const uint8_t* before = previous_.ptr<uint8_t>(y - region_.y);
    const float* b = background.ptr<float>(y);
    const uint8_t* isKnown = known.ptr<uint8_t>(y);
    uint8_t* steady = steadyFrames_.ptr<uint8_t>(y);
    uint8_t* asFirst = asFirstSeen_.ptr<uint8_t>(y);
    uint8_t* jumped = jumped_.ptr<uint8_t>(y);
    uint8_t* learnt = learn.ptr<uint8_t>(y);
    int unknown = 0;
    for (int x = region_.x; x < region_.x + region_.width; ++x) {
        if (isKnown[x]) {
            steady[x] = asFirst[x] = 0;
            continue;
        }
        ++unknown;
        const bool changed = largestDifference(f + 3 * x, b + 3 * x, gain) > threshold;
        const bool moved = largestDifference(f + 3 * x, before + 3 * (x - region_.x)) > threshold;
        jumped[x] = moved ? 255 : jumped[x];
        const bool revealed = changed && !moved && jumped[x];
        asFirst[x] = changed ? 0 : 255;
        steady[x] = revealed ? static_cast<uint8_t>(std::min(steady[x] + 1, kSteadyFrames)) : 0;
        if (steady[x] >= kSteadyFrames)
            learnt[x] = 255;
    }
    return unknown;
}

void RevealedBackground::markTargets(const std::vector<CvRect>& held)
{
    // Row by row: cv::Mat::setTo allocates on every call.
    for (int y = region_.y; y < region_.y + region_.height; ++y)
        std::fill_n(inTarget_.ptr<uint8_t>(y) + region_.x, region_.width, uint8_t{0});
    for (const CvRect& area : held) {
        const CvRect r = shrunkRect(area, kTargetAreaGrowth);
        const cv::Rect own = cv::Rect(r.x, r.y, r.width, r.height) & region_;
        for (int y = own.y; y < own.y + own.height; ++y)
            std::fill_n(inTarget_.ptr<uint8_t>(y) + own.x, own.width, uint8_t{255});
    }
}

void RevealedBackground::countRevealed(const cv::Rect& rect, int& anywhere, int& inTargets) const
{
    // A pixel reaches the counts once: learnt, it is known after.
    anywhere = inTargets = 0;
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        const uint8_t* steady = steadyFrames_.ptr<uint8_t>(y);
        const uint8_t* inTarget = inTarget_.ptr<uint8_t>(y);
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            const bool revealed = steady[x] >= kSteadyFrames;
            anywhere += revealed;
            inTargets += revealed && inTarget[x];
        }
    }
}

bool RevealedBackground::recentlyVacated(const FirstBox& box, const int (&revealed)[kVacatingFrames])
{
    int recently = 0;
    for (const int r : revealed)
        recently += r;
    return recently >= kVacatedShare * box.rect.area();
}

void RevealedBackground::markVacated(const std::vector<CvRect>& held, cv::Mat& learn)
{
    markTargets(held);
    for (FirstBox& box : firstBoxes_) {
        // Vacated, a box has been left by both counts (those inside the
        // targets are among the others).
        if (!box.vacated) {
            countRevealed(box.rect, box.revealedAnywhere[box.next], box.revealed[box.next]);
            box.next = (box.next + 1) % kVacatingFrames;
            box.vacated = recentlyVacated(box, box.revealed);
            box.moved = box.moved || recentlyVacated(box, box.revealedAnywhere);
        }
        if (box.vacated) {
            cv::Mat learnt = learn(box.rect);
            cv::bitwise_or(learnt, asFirstSeen_(box.rect), learnt);
        }
    }
}

void RevealedBackground::moveWith(const cv::Matx23d& transform, cv::Size size)
{
    if (previous_.empty())
        return;
    const cv::Rect before = region_;
    region_ = cv::Rect();
    size_t kept = 0;
    for (FirstBox box : firstBoxes_) {
        box.rect = movedRect(box.rect, transform) & cv::Rect(cv::Point(0, 0), size);
        if (box.rect.empty())
            continue;  // moved out of the frame
        region_ = region_.empty() ? box.rect : (region_ | box.rect);
        firstBoxes_[kept++] = box;
    }
    firstBoxes_.resize(kept);
    if (firstBoxes_.empty() || steadyFrames_.size() != size) {
        forget();
        return;
    }
    for (cv::Mat* watched : {&steadyFrames_, &asFirstSeen_, &jumped_}) {
        cv::warpAffine(*watched, warped_, transform, size, cv::INTER_NEAREST, cv::BORDER_CONSTANT, cv::Scalar(0));
        cv::swap(*watched, warped_);
    }
    // The frame before, kept over the region before, into the new region.
    cv::Matx23d shifted = transform;
    shifted(0, 2) += transform(0, 0) * before.x + transform(0, 1) * before.y - region_.x;
    shifted(1, 2) += transform(1, 0) * before.x + transform(1, 1) * before.y - region_.y;
    cv::warpAffine(previous_, warped_, shifted, region_.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::swap(previous_, warped_);
}

bool RevealedBackground::someBoxUnmoved() const
{
    if (firstBoxes_.empty())
        return unmovedWhenForgotten_;
    return std::any_of(firstBoxes_.begin(), firstBoxes_.end(), [](const FirstBox& box) { return !box.moved; });
}

void RevealedBackground::forget()
{
    unmovedWhenForgotten_ = someBoxUnmoved();
    firstBoxes_.clear();
    region_ = cv::Rect();
    previous_.release();
    steadyFrames_.release();
    asFirstSeen_.release();
    jumped_.release();
    inTarget_.release();
}
