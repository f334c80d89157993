#pragma once

// The means of a frame's channels, and its mean brightness in OpenCV's
// 8-bit HSV, summed by bands of rows: the whole-number sums are exact in
// any order, so that the means are the same, bit for bit, for any number
// of bands and equal to cv::mean's.

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <vector>

class WorkerPool;

class ChannelMeans {
public:
    // The mean of each channel of an 8-bit three-channel matrix (0 for an
    // empty one), bit for bit cv::mean's, whose own sum of three-channel
    // bytes goes a byte at a time; this one sixteen pixels at a time.  With
    // `workers`, bands of rows are summed on its threads.
    cv::Scalar of(const cv::Mat& image, WorkerPool* workers = nullptr);

private:
    std::vector<std::array<uint64_t, 3>> bandSums_;  // kept: sized on the first frame
};

class BrightnessMean {
public:
    // The mean of channel 2 of an 8-bit three-channel matrix; 0 for an
    // empty one.  With `workers`, bands of rows are summed on its threads.
    double of(const cv::Mat& hsv, WorkerPool* workers = nullptr);
    // The same mean from the 8-bit BGR frame itself: HSV's brightness is
    // the largest of a pixel's three channels.
    double ofBgr(const cv::Mat& bgr, WorkerPool* workers = nullptr);

private:
    double mean(const cv::Mat& image, WorkerPool* workers, uint64_t (*row)(const uint8_t*, int));

    std::vector<std::array<uint64_t, 1>> bandSums_;  // kept: sized on the first frame
};
