#pragma once

// Test videos made on the spot: nine coloured squares on a grey ground that
// start on the demo's nine rectangles and swing back and forth along the
// demo's ring, with their ground truth, so that the demo's targets fit them
// exactly on the first frame.

#include "core/demo_scenario.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace synthetic {

constexpr int kWidth = 320;
constexpr int kHeight = 320;

struct Square {
    int x, y;  // top-left corner; 18 x 18 pixels
};

// Where square i is on frame f (from 1): rotated about the ring's centre by
// up to 12 degrees, about 1.5 pixels per frame at most.
inline Square squareAt(int i, int f)
{
    const double pi = 3.14159265358979323846;
    const Box& b = kDemoTargets[i];
    const double dx = b.x - 136.0, dy = b.y - 136.0;
    const double radius = std::hypot(dx, dy), angle = std::atan2(dy, dx);
    const double swing = 12.0 * pi / 180.0 * std::sin(2.0 * pi * (f - 1) / 90.0);
    return Square{static_cast<int>(std::lround(136.0 + radius * std::cos(angle + swing))),
                  static_cast<int>(std::lround(136.0 + radius * std::sin(angle + swing)))};
}

// Frame f of the scene, at `scale` of the full size (1: 320 x 320).
inline cv::Mat frameAt(int f, double scale = 1.0)
{
    cv::Mat frame(kHeight, kWidth, CV_8UC3, cv::Scalar(90, 90, 90));
    for (int i = 0; i < kDemoTargetCount; ++i) {
        // Nine well separated hues, none near red (the hue of grey).
        cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(20 + 17 * i, 255, 230)), bgr;
        cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
        const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
        const Square s = squareAt(i, f);
        cv::rectangle(frame, cv::Rect(s.x, s.y, 18, 18), cv::Scalar(c[0], c[1], c[2]), cv::FILLED);
    }
    if (scale != 1.0)
        cv::resize(frame, frame, cv::Size(), scale, scale, cv::INTER_AREA);
    return frame;
}

// Writes `frames` frames as an MJPG AVI at 25 frames/s; false on failure.
inline bool writeVideo(const std::string& path, int frames)
{
    cv::VideoWriter writer(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 25.0,
                           cv::Size(kWidth, kHeight));
    if (!writer.isOpened())
        return false;
    for (int f = 1; f <= frames; ++f)
        writer.write(frameAt(f));
    return true;
}

// The ground truth of the first `frames` frames, MOTChallenge lines with
// ids 1 to 9 in the demo's order.
inline bool writeGroundTruth(const std::string& path, int frames)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    for (int f = 1; f <= frames; ++f)
        for (int i = 0; i < kDemoTargetCount; ++i) {
            const Square s = squareAt(i, f);
            std::fprintf(file, "%d,%d,%d,%d,18,18,1,1,1\n", f, i + 1, s.x, s.y);
        }
    return std::fclose(file) == 0;
}

}  // namespace synthetic
