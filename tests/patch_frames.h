#pragma once

// A test frame the session tests share: coloured patches that every box
// can tell apart.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

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
