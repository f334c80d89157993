#include "scenes/pictures.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace scenes {

cv::Mat texturedBackground(cv::RNG& rng, const cv::Scalar& base, double grain,
                           double blotches, cv::Size size)
{
    constexpr int kBlotchCell = 24;  // px: blotches are a few cells across
    constexpr double kChromaGrain = 0.3;  // colour grain relative to grain
    cv::Mat coarse(size.height / kBlotchCell + 2, size.width / kBlotchCell + 2, CV_32F);
    rng.fill(coarse, cv::RNG::NORMAL, 0.0, blotches);
    cv::Mat blotch;
    cv::resize(coarse, blotch, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat luma(size, CV_32F);
    rng.fill(luma, cv::RNG::NORMAL, 0.0, grain);
    cv::Mat chroma(size, CV_32FC3);
    rng.fill(chroma, cv::RNG::NORMAL, 0.0, grain * kChromaGrain);
    cv::Mat ground(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float shade = blotch.at<float>(y, x) + luma.at<float>(y, x);
            const cv::Vec3f c = chroma.at<cv::Vec3f>(y, x);
            cv::Vec3b& out = ground.at<cv::Vec3b>(y, x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(base[ch] + shade + c[ch]);
        }
    }
    return ground;
}

cv::Mat woodenTable(cv::RNG& rng, const cv::Scalar& base, cv::Size size)
{
    // Streaks: noise stretched far along x, a little along y.
    constexpr int kStreakLength = 96, kStreakWidth = 3;  // px
    constexpr double kStreakLevels = 16.0, kGrainLevels = 5.0;
    cv::Mat coarse(size.height / kStreakWidth + 2, size.width / kStreakLength + 2, CV_32F);
    rng.fill(coarse, cv::RNG::NORMAL, 0.0, kStreakLevels);
    cv::Mat streaks;
    cv::resize(coarse, streaks, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat grain(size, CV_32F);
    rng.fill(grain, cv::RNG::NORMAL, 0.0, kGrainLevels);
    cv::Mat table(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const float shade = streaks.at<float>(y, x) + grain.at<float>(y, x);
            cv::Vec3b& out = table.at<cv::Vec3b>(y, x);
            // Wood darkens in all channels, the red one least.
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(base[ch] + shade * (ch == 2 ? 0.8 : 1.0));
        }
    return table;
}

cv::Mat lampFalloff(cv::Point2d lamp, double far, cv::Size size)
{
    const double reach = std::max({cv::norm(lamp), cv::norm(lamp - cv::Point2d(size.width, 0)),
                                   cv::norm(lamp - cv::Point2d(0, size.height)),
                                   cv::norm(lamp - cv::Point2d(size.width, size.height))});
    cv::Mat light(size, CV_32F);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double d = cv::norm(cv::Point2d(x + 0.5, y + 0.5) - lamp) / reach;
            light.at<float>(y, x) = static_cast<float>(1.0 - (1.0 - far) * d * d);
        }
    return light;
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
        if (box.y + y < 0 || box.y + y >= frame.rows)
            continue;
        for (int x = 0; x < box.width; ++x) {
            if (box.x + x < 0 || box.x + x >= frame.cols)
                continue;
            cv::Vec3b& out = frame.at<cv::Vec3b>(box.y + y, box.x + x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(colour[ch] + surface.at<float>(y, x));
        }
    }
}

void drawTurnedObject(cv::Mat& frame, const Pose& pose, const Look& look, const cv::Mat& texture)
{
    cv::Mat surface;
    const cv::Size upright(std::max(1, static_cast<int>(std::lround(pose.w))),
                           std::max(1, static_cast<int>(std::lround(pose.h))));
    cv::resize(texture, surface, upright, 0, 0, cv::INTER_LINEAR);
    const double a = pose.angle * CV_PI / 180.0;
    const cv::Rect box = boxOf(pose) & cv::Rect(0, 0, frame.cols, frame.rows);
    for (int y = box.y; y < box.y + box.height; ++y) {
        for (int x = box.x; x < box.x + box.width; ++x) {
            if (!covers(pose, x, y))
                continue;
            // The pixel in the upright object's own coordinates.
            const double dx = x + 0.5 - pose.cx, dy = y + 0.5 - pose.cy;
            const double u = dx * std::cos(a) + dy * std::sin(a) + pose.w / 2;
            const double v = -dx * std::sin(a) + dy * std::cos(a) + pose.h / 2;
            const int col = std::clamp(static_cast<int>(u), 0, upright.width - 1);
            const int row = std::clamp(static_cast<int>(v), 0, upright.height - 1);
            const cv::Scalar& colour = row < upright.height / 2 ? look.top : look.bottom;
            cv::Vec3b& out = frame.at<cv::Vec3b>(y, x);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = cv::saturate_cast<uchar>(colour[ch] + surface.at<float>(row, col));
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
