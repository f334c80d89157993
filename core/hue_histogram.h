#pragma once

#include <opencv2/core/types_c.h>

#include <cstdint>

// Bins of a target's colour model: one per 8-bit hue value 0 .. 178.
// OpenCV's 8-bit hue runs from 0 to 179; the top value, 179 (358 degrees,
// a hair short of red's 0), is not counted.
constexpr int kHueBinCount = 179;

// How sharply the likelihood falls with the Bhattacharyya distance: the L
// of exp(-L (1 - BC)).  At 20 a coefficient of 0.9 already gives e^-2.
constexpr double kLikelihoodSharpness = 20.0;

// An 8-bit plane has at most this many distinct values, so at most this
// many bins of a histogram can be occupied by counting one.
constexpr int kByteValueCount = 256;

// The bins that counting a rectangle made non-zero, in increasing order.
struct OccupiedBins {
    uint16_t index[kByteValueCount];
    int32_t count = 0;
};

// Counts of the 8-bit values of a rectangle of a hue plane, one bin per
// value, normalised to sum 1 and compared through the Bhattacharyya
// coefficient.  Values at or above binCount are not counted.
struct HueHistogram {
    float* bins = nullptr;  // binCount floats in 32-byte aligned storage
    int32_t binCount = 0;

    HueHistogram() = default;
    ~HueHistogram() { release(); }
    HueHistogram(const HueHistogram&) = delete;
    HueHistogram& operator=(const HueHistogram&) = delete;

    // n bins, all 0.  Keeps the array when n is the current count; false for
    // n <= 0 (nothing changes) or when the memory cannot be had (no bins).
    bool allocate(int n);
    void fill(float value);
    // Copies other's bins; false (nothing changes) unless both have the same
    // non-zero count.
    bool copyFrom(const HueHistogram& other);
    // Running float sum of the bins in index order.
    float sum() const;
    // Scales the bins to sum 1; a float sum of exactly 0 or 1 is left alone.
    void normalize();
    // Replaces the bins by the value counts of the rectangle (x, y, width,
    // height) of an 8-bit one- or two-channel CvMat.  A rectangle starting
    // left of or above the plane is shifted to column/row 0 with its full
    // size; one reaching past the right or bottom edge is cut.  False, with
    // the bins untouched, for a null, foreign, empty or unsuitable matrix.
    bool accumulate(const CvMat* plane, int x, int y, int width, int height);
    // The same, and lists the bins it made non-zero in `occupied` (none
    // when it returns false).
    bool accumulate(const CvMat* plane, int x, int y, int width, int height, OccupiedBins& occupied);
    // normalize() for a histogram whose only non-zero bins are `occupied`,
    // all positive: the same bins, bit for bit, touching only those.
    void normalizeOccupied(const OccupiedBins& occupied);
    // exp(-kLikelihoodSharpness * max(0, 1 - BC)), BC = sum of sqrt(p[i] * q[i]) over this
    // histogram's bins.
    double likelihoodAgainst(const HueHistogram& other) const;
    // likelihoodAgainst(other) for an `other` whose only non-zero bins are
    // `occupied`: the same value, bit for bit, summing only those bins.
    double likelihoodAgainstOccupied(const HueHistogram& other, const OccupiedBins& occupied) const;
    // Frees the bins; the histogram then has none (binCount 0).
    void release();
};
