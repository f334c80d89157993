#include "programs/track/picture_text.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace tavo_cli {

namespace {

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kTagFontScale = 0.35;
constexpr int kTagPadding = 2;
constexpr double kCaptionFontScale = 0.4;
constexpr double kSmallestReadableFontScale = 0.25;
constexpr double kCaptionBandDarkening = 0.4;  // the band keeps this share of its brightness
const cv::Scalar kCaptionInk(255, 255, 255);

}  // namespace

cv::Size tagSize(const std::string& text)
{
    int baseline = 0;
    const cv::Size size = cv::getTextSize(text, kFont, kTagFontScale, 1, &baseline);
    return {size.width + 2 * kTagPadding + 1, size.height + 2 * kTagPadding + 1};
}

void drawTag(cv::Mat& picture, const std::string& text, cv::Point topLeft, const cv::Scalar& ink,
             const cv::Scalar& ground)
{
    const cv::Size size = tagSize(text);
    topLeft.x = std::clamp(topLeft.x, 0, std::max(0, picture.cols - size.width));
    topLeft.y = std::clamp(topLeft.y, 0, std::max(0, picture.rows - size.height));
    const cv::Rect box(topLeft, size);
    cv::rectangle(picture, box, ground, cv::FILLED);
    cv::rectangle(picture, box, ink, 1);
    cv::putText(picture, text, {topLeft.x + kTagPadding + 1, topLeft.y + size.height - kTagPadding - 1}, kFont,
                kTagFontScale, ink, 1, cv::LINE_AA);
}

void drawCaption(cv::Mat& picture, const std::string& text)
{
    int baseline = 0;
    double scale = kCaptionFontScale;
    cv::Size size = cv::getTextSize(text, kFont, scale, 1, &baseline);
    const int room = picture.cols - 8;
    if (size.width > room) {
        scale *= static_cast<double>(room) / size.width;
        if (scale < kSmallestReadableFontScale)
            return;
        size = cv::getTextSize(text, kFont, scale, 1, &baseline);
    }
    const int bandHeight = size.height + baseline + 6;
    if (bandHeight * 4 > picture.rows)
        return;
    cv::Mat band = picture.rowRange(picture.rows - bandHeight, picture.rows);
    band *= kCaptionBandDarkening;
    cv::putText(picture, text, {4, picture.rows - baseline - 3}, kFont, scale, kCaptionInk, 1, cv::LINE_AA);
}

}  // namespace tavo_cli
