#include "appearance/box_growth.h"

#include <algorithm>
#include <cmath>

namespace {

// Room for the rounding of whole-pixel fitted boxes, in pixels.
constexpr double kPixelSlack = 1.0;

double median(std::deque<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

RealBox unionOf(const RealBox& a, const RealBox& b)
{
    const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const double right = std::max(a.x + a.width, b.x + b.width), bottom = std::max(a.y + a.height, b.y + b.height);
    return RealBox{left, top, right - left, bottom - top};
}

// The whole pixels a real box covers, clipped to the frame.
cv::Rect pixelsOf(const RealBox& b, const cv::Size& frame)
{
    const int left = static_cast<int>(std::floor(b.x)), top = static_cast<int>(std::floor(b.y));
    const int right = static_cast<int>(std::ceil(b.x + b.width)), bottom = static_cast<int>(std::ceil(b.y + b.height));
    return cv::Rect(left, top, right - left, bottom - top) & cv::Rect(cv::Point(0, 0), frame);
}

// The share of foreground pixels in `outer` outside `inner`; 1 when no
// pixel of the frame lies there.
double foregroundBeyond(const cv::Mat& foreground, const RealBox& outer, const RealBox& inner)
{
    const cv::Rect o = pixelsOf(outer, foreground.size()), i = pixelsOf(inner, foreground.size()) & o;
    const double area = static_cast<double>(o.area()) - static_cast<double>(i.area());
    if (area <= 0.0)
        return 1.0;
    const int moving = cv::countNonZero(foreground(o)) - (i.area() > 0 ? cv::countNonZero(foreground(i)) : 0);
    return moving / area;
}

// Whether a side of the widened box stays within what the history allows
// (the estimate's own side is always allowed).
bool sideAllowed(double widened, double estimate, const std::deque<double>& history)
{
    const double most = std::min(kMostGrowthPerFrame * history.back(), kMostOverMedian * median(history));
    return widened <= std::max(estimate, most) + kPixelSlack;
}

}  // namespace

void BoxGrowthGuard::start(size_t index, const RealBox& first)
{
    if (index >= histories_.size())
        histories_.resize(index + 1);
    histories_[index] = History{};
    record(index, first);
}

bool BoxGrowthGuard::allows(size_t index, const RealBox& estimate, const RealBox& fitted,
                            const cv::Mat* foreground) const
{
    if (index >= histories_.size() || histories_[index].widths.empty())
        return true;
    const History& h = histories_[index];
    const RealBox widened = unionOf(estimate, fitted);
    if (!sideAllowed(widened.width, estimate.width, h.widths) || !sideAllowed(widened.height, estimate.height, h.heights))
        return false;
    return !foreground || foreground->empty() || foregroundBeyond(*foreground, widened, estimate) >= kLeastForegroundBeyond;
}

void BoxGrowthGuard::record(size_t index, const RealBox& reported)
{
    if (index >= histories_.size())
        histories_.resize(index + 1);
    History& h = histories_[index];
    h.widths.push_back(reported.width);
    h.heights.push_back(reported.height);
    if (h.widths.size() > static_cast<size_t>(kGrowthHistory)) {
        h.widths.pop_front();
        h.heights.pop_front();
    }
}

void BoxGrowthGuard::drop(size_t index)
{
    if (index < histories_.size())
        histories_.erase(histories_.begin() + static_cast<std::ptrdiff_t>(index));
}
