#include "scenes/pictures.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace scenes {

cv::Mat texturedBackground(cv::RNG& rng, const cv::Scalar& base, double grain,
                           double blotches)
{
    constexpr int kBlotchCell = 24;  // px: blotches are a few cells across
    constexpr double kChromaGrain = 0.3;  // colour grain relative to grain
    cv::Mat coarse(kFrameHeight / kBlotchCell + 2, kFrameWidth / kBlotchCell + 2, CV_32F);
    rng.fill(coarse, cv::RNG::NORMAL, 0.0, blotches);
    cv::Mat blotch;
    cv::resize(coarse, blotch, cv::Size(kFrameWidth, kFrameHeight), 0, 0, cv::INTER_CUBIC);
    cv::Mat luma(kFrameHeight, kFrameWidth, CV_32F);
    rng.fill(luma, cv::RNG::NORMAL, 0.0, grain);
    cv::Mat chroma(kFrameHeight, kFrameWidth, CV_32FC3);
    rng.fill(chroma, cv::RNG::NORMAL, 0.0, grain * kChromaGrain);
    cv::Mat ground(kFrameHeight, kFrameWidth, CV_8UC3);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const float shade = blotch.at<float>(y, x) + luma.at<float>(y, x);
            const cv::Vec3f c = chroma.at<cv::Vec3f>(y, x);
            cv::Vec3b& out = ground.at<cv::Vec3b>(y, x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(base[ch] + shade + c[ch]);
        }
    }
    return ground;
}

cv::Mat objectTexture(cv::RNG& rng)
{
    constexpr int kTextureSize = 16;
    constexpr double kTextureLevels = 7.0;  // grey levels, standard deviation
    cv::Mat t(kTextureSize, kTextureSize, CV_32F);
    rng.fill(t, cv::RNG::NORMAL, 0.0, kTextureLevels);
    return t;
}

void drawObject(cv::Mat& frame, const cv::Rect& box, const Look& look, const cv::Mat& texture)
{
    cv::Mat surface;
    cv::resize(texture, surface, box.size(), 0, 0, cv::INTER_LINEAR);
    const int topRows = box.height / 2;
    for (int y = 0; y < box.height; ++y) {
        const cv::Scalar& colour = y < topRows ? look.top : look.bottom;
        for (int x = 0; x < box.width; ++x) {
            cv::Vec3b& out = frame.at<cv::Vec3b>(box.y + y, box.x + x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(colour[ch] + surface.at<float>(y, x));
        }
    }
}

cv::Mat camera(const cv::Mat& composed, double brightness, double noise, int jpegQuality,
               cv::RNG& rng)
{
    cv::Mat light;
    composed.convertTo(light, CV_32FC3, brightness);
    cv::Mat grain(light.size(), CV_32FC3);
    rng.fill(grain, cv::RNG::NORMAL, 0.0, noise);
    light += grain;
    cv::Mat frame;
    light.convertTo(frame, CV_8UC3);
    if (jpegQuality > 0) {
        std::vector<uchar> bytes;
        cv::imencode(".jpg", frame, bytes, {cv::IMWRITE_JPEG_QUALITY, jpegQuality});
        frame = cv::imdecode(bytes, cv::IMREAD_COLOR);
    }
    return frame;
}

cv::Scalar colourOfHue(int hue, int saturation, int value)
{
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(hue, saturation, value));
    cv::Mat bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return {static_cast<double>(c[0]), static_cast<double>(c[1]), static_cast<double>(c[2])};
}

cv::Scalar grey(int level) { return {double(level), double(level), double(level)}; }

double ease(int f, int start, int end, double from, double to)
{
    const double u = std::clamp(static_cast<double>(f - start) / (end - start), 0.0, 1.0);
    return from + (to - from) * (0.5 - 0.5 * std::cos(CV_PI * u));
}

}  // namespace scenes
