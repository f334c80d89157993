#pragma once

// Test frames the session and background tests share: coloured patches
// that every box can tell apart, and a still, textured grey background.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>

// A BGR frame of coloured patches, 160 x 120, moved `shift` pixels left.
inline cv::Mat patches(int shift = 0)
{
    cv::Mat hsv(120, 160, CV_8UC3);
    for (int r = 0; r < hsv.rows; ++r)
        for (int c = 0; c < hsv.cols; ++c)
            hsv.at<cv::Vec3b>(r, c) =
                cv::Vec3b(static_cast<uchar>(((r / 20) * 37 + ((c + shift) / 20) * 11) % 180), 200, 200);
    cv::Mat bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    return bgr;
}

// A still, textured background: 8x8 blocks of grey shades drawn by a
// generator seeded with `seed`.
inline cv::Mat greyBlocks(int rows, int cols, uint64_t seed)
{
    cv::Mat frame(rows, cols, CV_8UC3);
    cv::RNG rng(seed);
    for (int y = 0; y < rows; y += 8)
        for (int x = 0; x < cols; x += 8) {
            const int v = rng.uniform(90, 170);
            cv::rectangle(frame, cv::Rect(x, y, 8, 8), cv::Scalar(v, v + 5, v), cv::FILLED);
        }
    return frame;
}
