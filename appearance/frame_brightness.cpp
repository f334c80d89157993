#include "appearance/frame_brightness.h"

#include "support/row_bands.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>

namespace {

// A row of an 8-bit three-channel matrix, each pixel's value of its three
// channels added up: `vectors` gives it for 16 pixels at a time, `pixel`
// for one.
template <typename Vectors, typename Pixel>
uint64_t rowSum(const uint8_t* p, int cols, Vectors vectors, Pixel pixel)
{
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    uint64_t sum = 0;
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes) {
        cv::v_uint8x16 first, second, third;
        cv::v_load_deinterleave(p + 3 * c, first, second, third);
        sum += cv::v_reduce_sum(vectors(first, second, third));
    }
    for (; c < cols; ++c)
        sum += pixel(p[3 * c], p[3 * c + 1], p[3 * c + 2]);
    return sum;
}

// Channel 2 of each pixel of a row, added up.
uint64_t rowBrightness(const uint8_t* p, int cols)
{
    const auto third = [](auto, auto, auto v) { return v; };
    return rowSum(p, cols, third, third);
}

// The largest of the three channels of each pixel of a row, added up.
uint64_t rowLargestChannel(const uint8_t* p, int cols)
{
    return rowSum(
        p, cols, [](cv::v_uint8x16 b, cv::v_uint8x16 g, cv::v_uint8x16 r) { return cv::v_max(cv::v_max(b, g), r); },
        [](uint8_t b, uint8_t g, uint8_t r) { return std::max({b, g, r}); });
}

}  // namespace

cv::Scalar channelMeans(const cv::Mat& image)
{
    CV_Assert(image.type() == CV_8UC3);
    const size_t pixels = image.total();
    if (pixels == 0)
        return cv::Scalar();
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    uint64_t sums[3] = {0, 0, 0};
    for (int r = 0; r < image.rows; ++r) {
        const uint8_t* p = image.ptr<uint8_t>(r);
        int c = 0;
        for (; c + kLanes <= image.cols; c += kLanes) {
            cv::v_uint8x16 first, second, third;
            cv::v_load_deinterleave(p + 3 * c, first, second, third);
            sums[0] += cv::v_reduce_sum(first);
            sums[1] += cv::v_reduce_sum(second);
            sums[2] += cv::v_reduce_sum(third);
        }
        for (; c < image.cols; ++c)
            for (int k = 0; k < 3; ++k)
                sums[k] += p[3 * c + k];
    }
    // cv::mean's own last step: the exact sums times the reciprocal count.
    const double reciprocal = 1.0 / static_cast<double>(pixels);
    return cv::Scalar(static_cast<double>(sums[0]) * reciprocal, static_cast<double>(sums[1]) * reciprocal,
                      static_cast<double>(sums[2]) * reciprocal);
}

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
