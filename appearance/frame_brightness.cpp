#include "appearance/frame_brightness.h"

#include "support/row_bands.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>

namespace {

// Channel 2 of a row of an 8-bit three-channel matrix, added up.
uint64_t rowBrightness(const uint8_t* p, int cols)
{
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    uint64_t sum = 0;
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes) {
        cv::v_uint8x16 h, s, v;
        cv::v_load_deinterleave(p + 3 * c, h, s, v);
        sum += cv::v_reduce_sum(v);
    }
    for (; c < cols; ++c)
        sum += p[3 * c + 2];
    return sum;
}

// The largest of the three channels of each pixel of a row, added up.
uint64_t rowLargestChannel(const uint8_t* p, int cols)
{
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    uint64_t sum = 0;
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes) {
        cv::v_uint8x16 b, g, r;
        cv::v_load_deinterleave(p + 3 * c, b, g, r);
        sum += cv::v_reduce_sum(cv::v_max(cv::v_max(b, g), r));
    }
    for (; c < cols; ++c)
        sum += std::max({p[3 * c], p[3 * c + 1], p[3 * c + 2]});
    return sum;
}

}  // namespace

double BrightnessMean::of(const cv::Mat& hsv, WorkerPool* workers) { return mean(hsv, workers, rowBrightness); }

double BrightnessMean::ofBgr(const cv::Mat& bgr, WorkerPool* workers) { return mean(bgr, workers, rowLargestChannel); }

double BrightnessMean::mean(const cv::Mat& image, WorkerPool* workers, uint64_t (*row)(const uint8_t*, int))
{
    CV_Assert(image.type() == CV_8UC3);
    const size_t pixels = image.total();
    if (pixels == 0)
        return 0.0;
    const size_t bands = static_cast<size_t>(rowBandCount(workers, image.rows, image.cols));
    if (bandSums_.size() < bands)
        bandSums_.resize(bands);
    std::fill(bandSums_.begin(), bandSums_.end(), 0);
    forRowBands(workers, image.rows, image.cols, [&](int band, int first, int end) {
        uint64_t sum = 0;
        for (int r = first; r < end; ++r)
            sum += row(image.ptr<uint8_t>(r), image.cols);
        bandSums_[band] = sum;
    });
    uint64_t total = 0;
    for (const uint64_t s : bandSums_)
        total += s;
    // cv::mean's own last step: the exact sum times the reciprocal count.
    return static_cast<double>(total) * (1.0 / static_cast<double>(pixels));
}
