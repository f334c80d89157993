#include "programs/track/first_frame_check.h"

#include <algorithm>

namespace tavo_cli {

namespace {

// Below this spread of levels (standard deviation per channel) a box is
// taken as one level: sensor noise and compression alone stay above it
// in textured objects, and a blank frame stays below it.
constexpr double kUniformSpread = 2.0;
// Below this difference between the channels' means a uniform box is grey:
// it has no hue to learn.
constexpr double kGreyChroma = 12.0;
// Levels at or below which a grey box is called black, at or above which white.
constexpr double kBlackLevel = 16.0;
constexpr double kWhiteLevel = 239.0;

// "all black", "all white" or "uniform grey" for a blank box; empty otherwise.
std::string blankness(const cv::Mat& region)
{
    cv::Scalar mean, spread;
    cv::meanStdDev(region, mean, spread);
    for (int c = 0; c < region.channels(); ++c)
        if (spread[c] >= kUniformSpread)
            return {};
    const double low = std::min({mean[0], mean[1], mean[2]});
    const double high = std::max({mean[0], mean[1], mean[2]});
    if (high - low >= kGreyChroma)
        return {};
    if (high <= kBlackLevel)
        return "all black";
    if (low >= kWhiteLevel)
        return "all white";
    return "uniform grey";
}

}  // namespace

std::vector<std::string> blankBoxWarnings(const cv::Mat& firstFrame, const std::vector<Box>& boxes,
                                          const std::vector<int>& ids)
{
    std::vector<std::string> warnings;
    const cv::Rect frame(0, 0, firstFrame.cols, firstFrame.rows);
    for (size_t i = 0; i < boxes.size() && i < ids.size(); ++i) {
        const Box& b = boxes[i];
        const cv::Rect inside = cv::Rect(b.x, b.y, b.width, b.height) & frame;
        if (inside.empty())
            continue;
        const std::string kind = blankness(firstFrame(inside));
        if (!kind.empty())
            warnings.push_back("target " + std::to_string(ids[i]) + "'s box on the first frame is " + kind +
                               ": it holds nothing to recognise the target by; if the video begins with blank "
                               "frames, start later with --start N");
    }
    return warnings;
}

}  // namespace tavo_cli
