#include "appearance/box_fitting.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The whole pixels a real box covers, clipped to the frame.
cv::Rect pixelsOf(const RealBox& b, const cv::Size& frame)
{
    const int left = static_cast<int>(std::floor(b.x));
    const int top = static_cast<int>(std::floor(b.y));
    const int right = static_cast<int>(std::ceil(b.x + b.width));
    const int bottom = static_cast<int>(std::ceil(b.y + b.height));
    return cv::Rect(left, top, right - left, bottom - top) & cv::Rect(cv::Point(0, 0), frame);
}


// The bins whose share of the box's pixels is at least kObjectBinLeast and
// over kObjectBinContrast times their share of the ring around it
// (kObjectRingShare of the box's size wide, the part in the frame).
std::array<uint8_t, 256> objectBinsOf(const cv::Mat& bins, cv::Rect box)
{
    std::array<double, 256> inside{}, ring{};
    const cv::Rect frame(cv::Point(0, 0), bins.size());
    box &= frame;
    const int dx = static_cast<int>(std::ceil(kObjectRingShare * box.width));
    const int dy = static_cast<int>(std::ceil(kObjectRingShare * box.height));
    const cv::Rect around = cv::Rect(box.x - dx, box.y - dy, box.width + 2 * dx, box.height + 2 * dy) & frame;
    double insideCount = 0.0, ringCount = 0.0;
    for (int y = around.y; y < around.br().y; ++y) {
        const uint8_t* row = bins.ptr<uint8_t>(y);
        for (int x = around.x; x < around.br().x; ++x) {
            const bool in = box.contains({x, y});
            (in ? inside : ring)[row[x]] += 1.0;
            (in ? insideCount : ringCount) += 1.0;
        }
    }
    std::array<uint8_t, 256> object{};
    for (int b = 0; b < 256; ++b) {
        const double share = insideCount > 0.0 ? inside[b] / insideCount : 0.0;
        const double ringShare = ringCount > 0.0 ? ring[b] / ringCount : 0.0;
        object[b] = share >= kObjectBinLeast && share > kObjectBinContrast * ringShare;
    }
    return object;
}

}  // namespace

cv::Rect fitWindow(const RealBox& estimate, const RealBox& firstBox, const cv::Size& frame)
{
    const double side = std::max({estimate.width, estimate.height, firstBox.width, firstBox.height});
    const double reach = kFitReach * side;
    const double cx = estimate.x + 0.5 * estimate.width, cy = estimate.y + 0.5 * estimate.height;
    return pixelsOf(RealBox{cx - reach, cy - reach, 2.0 * reach, 2.0 * reach}, frame);
}

BoxFitter::TargetFit& BoxFitter::state(size_t index)
{
    if (index >= fits_.size())
        fits_.resize(index + 1);
    return fits_[index];
}

BoxFitter::Patch BoxFitter::findPatch(const BinSet& objectBins, cv::Rect seeds, cv::Rect window, const cv::Mat& bins,
                                      const cv::Mat* foreground)
{
    if (visited_.size() != bins.size())
        visited_ = cv::Mat::zeros(bins.size(), CV_8U);
    seeds &= window;
    // Within the estimate's box the filter vouches for the object; beyond
    // it, a pixel of the target's colours must also differ from the
    // background, or touch one that does, so that the patch does not run
    // into still things of those colours.  (Against a background of little
    // contrast, e.g. a dark object in dim light, the foreground is patchy;
    // and the first frame's background learns the object's edge pixels
    // just outside a tight first box: a line the patch must cross.)
    const auto differs = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < bins.cols && y < bins.rows && foreground->at<uint8_t>(y, x);
    };
    const auto isObject = [&](int x, int y) {
        return objectBins[bins.at<uint8_t>(y, x)] &&
               (!foreground || seeds.contains({x, y}) || differs(x, y) || differs(x - 1, y) ||
                differs(x + 1, y) || differs(x, y - 1) || differs(x, y + 1));
    };
    Patch patch;
    int left = window.br().x, top = window.br().y, right = window.x - 1, bottom = window.y - 1;
    for (int sy = seeds.y; sy < seeds.br().y; ++sy)
        for (int sx = seeds.x; sx < seeds.br().x; ++sx) {
            if (visited_.at<uint8_t>(sy, sx) || !isObject(sx, sy))
                continue;
            visited_.at<uint8_t>(sy, sx) = 1;
            stack_.push_back({sx, sy});
            while (!stack_.empty()) {
                const cv::Point p = stack_.back();
                stack_.pop_back();
                ++patch.count;
                left = std::min(left, p.x);
                right = std::max(right, p.x);
                top = std::min(top, p.y);
                bottom = std::max(bottom, p.y);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int x = p.x + dx, y = p.y + dy;
                        if (!window.contains({x, y}) || visited_.at<uint8_t>(y, x))
                            continue;
                        visited_.at<uint8_t>(y, x) = 1;
                        if (isObject(x, y))
                            stack_.push_back({x, y});
                    }
            }
        }
    for (int y = window.y; y < window.br().y; ++y)
        std::memset(visited_.ptr<uint8_t>(y) + window.x, 0, static_cast<size_t>(window.width));
    if (patch.count > 0) {
        patch.bounds = cv::Rect(left, top, right - left + 1, bottom - top + 1);
        patch.reachesOut = (left == window.x && window.x > 0) || (top == window.y && window.y > 0) ||
                           (right == window.br().x - 1 && window.br().x < bins.cols) ||
                           (bottom == window.br().y - 1 && window.br().y < bins.rows);
    }
    return patch;
}

void BoxFitter::learn(size_t index, const RealBox& box, const cv::Mat& bins, const cv::Mat* foreground)
{
    TargetFit& t = state(index);
    t.held = false;
    const cv::Rect pixels = pixelsOf(box, bins.size());
    t.objectBins = objectBinsOf(bins, pixels);
    t.typicalCount = static_cast<double>(findPatch(t.objectBins, pixels, pixels, bins, foreground).count);
    if (guardGrowth_)
        growth_.start(index, box);
}

BoxFitter::Fit BoxFitter::fit(size_t index, const RealBox& estimate, const RealBox& firstBox, const cv::Mat& bins,
                              const cv::Mat* foreground)
{
    const Fit result = fitPatch(index, estimate, firstBox, bins, foreground);
    if (guardGrowth_)
        growth_.record(index, result == Fit::Fitted ? widened(estimate, fits_[index].box) : estimate);
    return result;
}

BoxFitter::Fit BoxFitter::fitPatch(size_t index, const RealBox& estimate, const RealBox& firstBox, const cv::Mat& bins,
                                   const cv::Mat* foreground)
{
    TargetFit& t = state(index);
    t.held = false;
    if (t.typicalCount <= 0.0)
        return Fit::Parted;
    const cv::Size frame = bins.size();
    const Patch patch =
        findPatch(t.objectBins, pixelsOf(estimate, frame), fitWindow(estimate, firstBox, frame), bins, foreground);
    const double count = static_cast<double>(patch.count);
    if (count > kFitMostCount * t.typicalCount || patch.reachesOut) {
        t.joinFramesLeft = kJoinMemory;
        return Fit::Joined;
    }
    if (t.joinFramesLeft > 0 && endJoinApart_ && aloneApart(patch, estimate, t.typicalCount))
        t.joinFramesLeft = 0;
    if (t.joinFramesLeft > 0) {
        --t.joinFramesLeft;
        return Fit::Joined;
    }
    if (count < kFitLeastCount * t.typicalCount)
        return Fit::Parted;
    const RealBox box{static_cast<double>(patch.bounds.x), static_cast<double>(patch.bounds.y),
                      static_cast<double>(patch.bounds.width), static_cast<double>(patch.bounds.height)};
    if (guardGrowth_ && !growth_.allows(index, estimate, box, foreground))
        return Fit::Leaked;
    t.typicalCount += kFitCountRate * (count - t.typicalCount);
    t.held = true;
    t.pixels = patch.bounds;
    t.box = box;
    return Fit::Fitted;
}

void BoxFitter::forget(size_t index) { state(index).held = false; }

void BoxFitter::drop(size_t index)
{
    if (index < fits_.size())
        fits_.erase(fits_.begin() + static_cast<std::ptrdiff_t>(index));
    growth_.drop(index);
}

bool BoxFitter::aloneApart(const Patch& patch, const RealBox& estimate, double typicalCount)
{
    if (static_cast<double>(patch.count) < kFitLeastCount * typicalCount ||
        patch.bounds.width > kApartMostSide * estimate.width || patch.bounds.height > kApartMostSide * estimate.height)
        return false;
    const double dx = patch.bounds.x + 0.5 * patch.bounds.width - (estimate.x + 0.5 * estimate.width);
    const double dy = patch.bounds.y + 0.5 * patch.bounds.height - (estimate.y + 0.5 * estimate.height);
    return std::abs(dx) > kApartLeastOffset * estimate.width || std::abs(dy) > kApartLeastOffset * estimate.height;
}

RealBox BoxFitter::widened(const RealBox& estimate, const RealBox& fitted)
{
    const double left = std::min(estimate.x, fitted.x), top = std::min(estimate.y, fitted.y);
    const double right = std::max(estimate.x + estimate.width, fitted.x + fitted.width);
    const double bottom = std::max(estimate.y + estimate.height, fitted.y + fitted.height);
    return RealBox{left, top, right - left, bottom - top};
}

const RealBox* BoxFitter::fitted(size_t index) const
{
    return index < fits_.size() && fits_[index].held ? &fits_[index].box : nullptr;
}

const cv::Rect* BoxFitter::fittedPixels(size_t index) const
{
    return index < fits_.size() && fits_[index].held ? &fits_[index].pixels : nullptr;
}
