#include "programs/track/window_band.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace tavo_cli {

namespace {

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kFontScale = 0.5;
constexpr int kTextMargin = 6;
// Dark grey under white text; the window beside a narrow frame is black.
const cv::Scalar kBandGround(48, 48, 48);
const cv::Scalar kBandInk(255, 255, 255);

}  // namespace

cv::Mat withBand(const cv::Mat& shown, const WindowFit& fit, const std::string& text)
{
    const cv::Size window = fit.window();
    cv::Mat picture(window, shown.type(), cv::Scalar::all(0));
    shown.copyTo(picture(cv::Rect({0, 0}, shown.size())));
    const cv::Rect band(0, window.height - kBandHeight, window.width, kBandHeight);
    picture(band).setTo(kBandGround);

    int baseline = 0;
    double scale = kFontScale;
    const cv::Size size = cv::getTextSize(text, kFont, scale, 1, &baseline);
    const int room = window.width - 2 * kTextMargin;
    if (size.width > room)
        scale *= static_cast<double>(room) / size.width;
    const int textBottom = band.y + (kBandHeight + cv::getTextSize(text, kFont, scale, 1, &baseline).height) / 2;
    cv::putText(picture, text, {kTextMargin, textBottom}, kFont, scale, kBandInk, 1, cv::LINE_AA);
    return picture;
}

}  // namespace tavo_cli
