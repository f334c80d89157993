#include "programs/track/window_fit.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace tavo_cli {

namespace {

// The screen's room left to a window: its title bar and borders, and the
// desktop's panels, take up to this much.
constexpr int kScreenMarginWidth = 40;
constexpr int kScreenMarginHeight = 80;

cv::Size roomOn(cv::Size screen)
{
    return {std::max(1, screen.width - kScreenMarginWidth),
            std::max(1, screen.height - kScreenMarginHeight - kBandHeight)};
}

int scaledLength(int length, double factor) { return std::max(1, static_cast<int>(std::lround(length * factor))); }

// One coordinate from a length to another, rounded to the nearest.
int mapped(int value, int from, int to)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * to / from));
}

}  // namespace

cv::Size WindowFit::window() const { return {std::max(shown.width, kSmallestWindowSide), shown.height + kBandHeight}; }

cv::Point WindowFit::toFrame(cv::Point p) const
{
    return {mapped(p.x, shown.width, frame.width), mapped(p.y, shown.height, frame.height)};
}

cv::Point WindowFit::toWindow(cv::Point p) const
{
    return {mapped(p.x, frame.width, shown.width), mapped(p.y, frame.height, shown.height)};
}

cv::Mat WindowFit::scaled(const cv::Mat& image) const
{
    if (shown == image.size())
        return image;
    cv::Mat result;
    const bool up = shown.width > image.cols;
    cv::resize(image, result, shown, 0, 0, up ? cv::INTER_NEAREST : cv::INTER_AREA);
    return result;
}

WindowFit fitWindow(cv::Size frame, cv::Size screen)
{
    const cv::Size room = roomOn(screen);
    const int larger = std::max(frame.width, frame.height);
    if (larger < kSmallestWindowSide) {
        const int wanted = (kSmallestWindowSide + larger - 1) / larger;
        const int fitting = std::min(room.width / frame.width, room.height / frame.height);
        const int factor = std::max(1, std::min(wanted, fitting));
        return {frame, {frame.width * factor, frame.height * factor}};
    }
    const double factor = std::min({1.0, static_cast<double>(room.width) / frame.width,
                                    static_cast<double>(room.height) / frame.height});
    return {frame, {scaledLength(frame.width, factor), scaledLength(frame.height, factor)}};
}

}  // namespace tavo_cli
