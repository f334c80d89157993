#include "appearance/frame_brightness.h"

#include "support/row_bands.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <array>

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

// Each channel of a row of an 8-bit three-channel matrix, added up into `sums`.
void addChannels(const uint8_t* p, int cols, uint64_t* sums)
{
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    int c = 0;
    for (; c + kLanes <= cols; c += kLanes) {
        cv::v_uint8x16 first, second, third;
        cv::v_load_deinterleave(p + 3 * c, first, second, third);
        sums[0] += cv::v_reduce_sum(first);
        sums[1] += cv::v_reduce_sum(second);
        sums[2] += cv::v_reduce_sum(third);
    }
    for (; c < cols; ++c)
        for (int k = 0; k < 3; ++k)
            sums[k] += p[3 * c + k];
}

// cv::mean's own last step: the exact sums times the reciprocal count.
cv::Scalar meansOf(const uint64_t* sums, size_t pixels)
{
    const double reciprocal = 1.0 / static_cast<double>(pixels);
    return cv::Scalar(static_cast<double>(sums[0]) * reciprocal, static_cast<double>(sums[1]) * reciprocal,
                      static_cast<double>(sums[2]) * reciprocal);
}

// The sums `addRow` makes of every row of an image, made by bands of rows
// on the workers' threads, each band's in `bandSums` (sized here), then
// added up: whole numbers, exact in any order.
template <size_t N, typename AddRow>
std::array<uint64_t, N> bandedSums(const cv::Mat& image, WorkerPool* workers,
                                   std::vector<std::array<uint64_t, N>>& bandSums, AddRow addRow)
{
    const size_t bands = static_cast<size_t>(rowBandCount(workers, image.rows, image.cols));
    if (bandSums.size() < bands)
        bandSums.resize(bands);
    std::fill(bandSums.begin(), bandSums.end(), std::array<uint64_t, N>{});
    forRowBands(workers, image.rows, image.cols, [&](int band, int first, int end) {
        std::array<uint64_t, N> sums{};
        for (int r = first; r < end; ++r)
            addRow(image.ptr<uint8_t>(r), image.cols, sums.data());
        bandSums[static_cast<size_t>(band)] = sums;
    });
    std::array<uint64_t, N> total{};
    for (const std::array<uint64_t, N>& sums : bandSums)
        for (size_t k = 0; k < N; ++k)
            total[k] += sums[k];
    return total;
}

}  // namespace

cv::Scalar ChannelMeans::of(const cv::Mat& image, WorkerPool* workers)
{
    CV_Assert(image.type() == CV_8UC3);
    const size_t pixels = image.total();
    if (pixels == 0)
        return cv::Scalar();
    return meansOf(bandedSums(image, workers, bandSums_, addChannels).data(), pixels);
}

double BrightnessMean::of(const cv::Mat& hsv, WorkerPool* workers) { return mean(hsv, workers, rowBrightness); }

double BrightnessMean::ofBgr(const cv::Mat& bgr, WorkerPool* workers) { return mean(bgr, workers, rowLargestChannel); }

double BrightnessMean::mean(const cv::Mat& image, WorkerPool* workers, uint64_t (*row)(const uint8_t*, int))
{
    CV_Assert(image.type() == CV_8UC3);
    const size_t pixels = image.total();
    if (pixels == 0)
        return 0.0;
    const auto addRow = [row](const uint8_t* p, int cols, uint64_t* sum) { *sum += row(p, cols); };
    const uint64_t total = bandedSums(image, workers, bandSums_, addRow)[0];
    // cv::mean's own last step: the exact sum times the reciprocal count.
    return static_cast<double>(total) * (1.0 / static_cast<double>(pixels));
}
