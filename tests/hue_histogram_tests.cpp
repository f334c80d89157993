#include "core/hue_histogram.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

struct MatDeleter {
    void operator()(CvMat* m) const { cvReleaseMat(&m); }
};
using Mat = std::unique_ptr<CvMat, MatDeleter>;

// A rows x cols 8-bit plane whose pixel (r, c) is value(r, c).
template <typename F>
Mat makePlane(int rows, int cols, F value)
{
    Mat m(cvCreateMat(rows, cols, CV_8UC1));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            m->data.ptr[r * m->step + c] = static_cast<uint8_t>(value(r, c));
    return m;
}

void expectOnly(const HueHistogram& h, int bin, float value)
{
    for (int i = 0; i < h.binCount; ++i)
        EXPECT_EQ(h.bins[i], i == bin ? value : 0.0f) << "bin " << i;
}

}  // namespace

TEST(HueHistogram, UniformBinsAndTheirLikelihood)
{
    HueHistogram a, b;
    ASSERT_TRUE(a.allocate(179));
    ASSERT_TRUE(b.allocate(179));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a.bins) % 32, 0u);
    a.fill(1.0f);
    b.fill(1.0f);
    EXPECT_EQ(a.sum(), 179.0f);
    a.normalize();
    b.normalize();
    for (int i = 0; i < 179; ++i)
        ASSERT_EQ(a.bins[i], 0.005586592f);
    // BC = 179 * float(1/179) = 0.99999997..., a little below 1.
    EXPECT_DOUBLE_EQ(a.likelihoodAgainst(b), 0.9999994132669501);
    EXPECT_LT(a.likelihoodAgainst(b), 1.0);
}

TEST(HueHistogram, SingleHueRectangleGivesOneBin)
{
    Mat plane = makePlane(12, 16, [](int r, int c) { return (r >= 2 && r < 6 && c >= 3 && c < 9) ? 40 : 90; });
    HueHistogram h;
    ASSERT_TRUE(h.allocate(179));
    ASSERT_TRUE(h.accumulate(plane.get(), 3, 2, 6, 4));
    expectOnly(h, 40, 24.0f);
    h.normalize();
    expectOnly(h, 40, 1.0f);

    HueHistogram same;
    ASSERT_TRUE(same.allocate(179));
    ASSERT_TRUE(same.copyFrom(h));
    EXPECT_EQ(h.likelihoodAgainst(same), 1.0);

    // Values from 179 on have no bin.
    Mat high = makePlane(4, 4, [](int, int c) { return c < 2 ? 179 : 255; });
    ASSERT_TRUE(h.accumulate(high.get(), 0, 0, 4, 4));
    EXPECT_EQ(h.sum(), 0.0f);
}

TEST(HueHistogram, RectanglesAreShiftedAtTheLeftAndTopAndCutAtTheRightAndBottom)
{
    // Column c holds the value c, row r adds 100 * (r >= 20).
    Mat plane = makePlane(24, 30, [](int r, int c) { return c + (r >= 20 ? 100 : 0); });
    HueHistogram h;
    ASSERT_TRUE(h.allocate(179));

    // x = -5, width 10: columns 0 to 9, not 0 to 4.
    ASSERT_TRUE(h.accumulate(plane.get(), -5, 0, 10, 1));
    for (int i = 0; i < 179; ++i)
        EXPECT_EQ(h.bins[i], i < 10 ? 1.0f : 0.0f) << "bin " << i;

    // y = -3, height 4: rows 0 to 3 of column 7.
    ASSERT_TRUE(h.accumulate(plane.get(), 7, -3, 1, 4));
    expectOnly(h, 7, 4.0f);

    // Reaching past the right edge: columns 27 to 29 only; past the bottom:
    // rows 20 to 23 only.
    ASSERT_TRUE(h.accumulate(plane.get(), 27, 0, 10, 1));
    for (int i = 0; i < 179; ++i)
        EXPECT_EQ(h.bins[i], (i >= 27 && i < 30) ? 1.0f : 0.0f) << "bin " << i;
    ASSERT_TRUE(h.accumulate(plane.get(), 2, 20, 1, 50));
    expectOnly(h, 102, 4.0f);

    // No pixel inside: all zero, still true, and stays zero when normalised.
    HueHistogram uniform;
    ASSERT_TRUE(uniform.allocate(179));
    uniform.fill(1.0f);
    uniform.normalize();
    const int outside[][4] = {{30, 0, 5, 5}, {0, 24, 5, 5}, {3, 3, 0, 5}, {3, 3, 5, 0}, {40, 40, 2, 2}};
    for (const auto& r : outside) {
        h.fill(3.0f);
        EXPECT_TRUE(h.accumulate(plane.get(), r[0], r[1], r[2], r[3]));
        h.normalize();
        EXPECT_EQ(h.sum(), 0.0f);
        EXPECT_EQ(uniform.likelihoodAgainst(h), std::exp(-20.0));
        EXPECT_EQ(h.likelihoodAgainst(uniform), std::exp(-20.0));
    }
}

TEST(HueHistogram, UnsuitableMatricesLeaveTheBinsUntouched)
{
    HueHistogram h;
    ASSERT_TRUE(h.allocate(179));
    h.fill(7.0f);
    auto untouched = [&h] {
        for (int i = 0; i < h.binCount; ++i)
            if (h.bins[i] != 7.0f)
                return false;
        return true;
    };

    EXPECT_FALSE(h.accumulate(nullptr, 0, 0, 4, 4));
    EXPECT_TRUE(untouched());

    Mat three(cvCreateMat(4, 4, CV_8UC3));
    cvSetZero(three.get());
    EXPECT_FALSE(h.accumulate(three.get(), 0, 0, 4, 4));
    EXPECT_TRUE(untouched());

    Mat wide(cvCreateMat(4, 4, CV_16UC1));
    cvSetZero(wide.get());
    EXPECT_FALSE(h.accumulate(wide.get(), 0, 0, 4, 4));
    EXPECT_TRUE(untouched());

    // A header without the matrix signature.
    Mat plane = makePlane(4, 4, [](int, int) { return 5; });
    CvMat foreign = *plane;
    foreign.type = CV_8UC1;
    EXPECT_FALSE(h.accumulate(&foreign, 0, 0, 4, 4));
    EXPECT_TRUE(untouched());
    foreign = *plane;
    foreign.data.ptr = nullptr;
    EXPECT_FALSE(h.accumulate(&foreign, 0, 0, 4, 4));
    EXPECT_TRUE(untouched());

    // Two channels: both bytes of every pixel are counted.
    Mat two(cvCreateMat(2, 3, CV_8UC2));
    for (int r = 0; r < 2; ++r)
        for (int b = 0; b < 6; ++b)
            two->data.ptr[r * two->step + b] = static_cast<uint8_t>(b % 2 ? 11 : 10);
    ASSERT_TRUE(h.accumulate(two.get(), 1, 0, 5, 5));
    for (int i = 0; i < 179; ++i)
        EXPECT_EQ(h.bins[i], (i == 10 || i == 11) ? 4.0f : 0.0f) << "bin " << i;
}

TEST(HueHistogram, NormalizeLeavesAUnitSumBitIdentical)
{
    HueHistogram h;
    ASSERT_TRUE(h.allocate(4));
    const float values[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::memcpy(h.bins, values, sizeof values);
    ASSERT_EQ(h.sum(), 1.0f);
    h.normalize();
    EXPECT_EQ(std::memcmp(h.bins, values, sizeof values), 0);

    // Otherwise the factor is 1/sum rounded to float: 1/3 -> 0.33333334f.
    h.fill(1.0f);
    h.bins[3] = 0.0f;
    h.normalize();
    EXPECT_EQ(h.bins[0], 0.33333334f);
    EXPECT_EQ(h.bins[3], 0.0f);
}

TEST(HueHistogram, AllocateKeepsTheArrayForTheSameCount)
{
    HueHistogram h;
    EXPECT_EQ(h.bins, nullptr);
    EXPECT_EQ(h.binCount, 0);
    ASSERT_TRUE(h.allocate(179));
    float* first = h.bins;
    h.fill(2.5f);

    ASSERT_TRUE(h.allocate(179));
    EXPECT_EQ(h.bins, first);
    EXPECT_EQ(h.sum(), 0.0f);

    h.fill(2.5f);
    EXPECT_FALSE(h.allocate(0));
    EXPECT_FALSE(h.allocate(-1));
    EXPECT_EQ(h.bins, first);
    EXPECT_EQ(h.binCount, 179);
    EXPECT_EQ(h.bins[178], 2.5f);

    // After release the histogram has no bins, and can be given new ones.
    HueHistogram released;
    ASSERT_TRUE(released.allocate(179));
    released.release();
    EXPECT_EQ(released.bins, nullptr);
    EXPECT_EQ(released.binCount, 0);
    ASSERT_TRUE(released.allocate(179));
    EXPECT_EQ(released.sum(), 0.0f);

    // copyFrom needs equal, non-zero counts.
    HueHistogram other;
    EXPECT_FALSE(h.copyFrom(other));
    ASSERT_TRUE(other.allocate(10));
    EXPECT_FALSE(h.copyFrom(other));
    EXPECT_EQ(h.bins[0], 2.5f);
}
