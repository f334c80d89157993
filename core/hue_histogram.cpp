#include "core/hue_histogram.h"

#include "support/aligned_alloc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

bool HueHistogram::allocate(int n)
{
    if (n <= 0)
        return false;
    if (n != binCount) {
        release();
        binCount = n;
        bins = static_cast<float*>(allocateAligned(align32(static_cast<size_t>(n) * sizeof(float))));
        if (!bins) {
            binCount = 0;
            return false;
        }
    }
    for (int i = 0; i < binCount; ++i)
        bins[i] = 0.0f;
    return true;
}

void HueHistogram::fill(float value)
{
    for (int i = 0; i < binCount; ++i)
        bins[i] = value;
}

bool HueHistogram::copyFrom(const HueHistogram& other)
{
    if (binCount == 0 || binCount != other.binCount || !bins || !other.bins)
        return false;
    for (int i = 0; i < binCount; ++i)
        bins[i] = other.bins[i];
    return true;
}

float HueHistogram::sum() const
{
    float s = 0.0f;
    for (int i = 0; i < binCount; ++i)
        s = s + bins[i];
    return s;
}

void HueHistogram::normalize()
{
    const float s = sum();
    if (s == 0.0f || s == 1.0f)
        return;
    const float k = static_cast<float>(1.0 / static_cast<double>(s));
    for (int i = 0; i < binCount; ++i)
        bins[i] = static_cast<float>(static_cast<double>(bins[i]) * static_cast<double>(k));
}

namespace {

// Adding 1.0f to a float bin counts exactly up to 2^24; from there on
// 2^24 + 1 lies halfway between 2^24 and 2^24 + 2 and rounds to the even
// 2^24.  A bin that n values fell into, one 1.0f at a time, therefore holds
// min(n, 2^24), which is what an integer count turns into.
constexpr uint64_t kLargestFloatCount = uint64_t{1} << 24;

// Neighbouring pixels mostly share their value.  Counting them into four
// interleaved tables lets an increment proceed without waiting for the one
// before it on the same counter.
constexpr int kCountLanes = 4;

// 32-bit lane counters are folded into 64-bit totals before the bytes
// counted since the last fold could make one wrap.
constexpr uint64_t kBytesPerFold = UINT32_MAX;

// Bytes per pixel of an 8-bit one- or two-channel CvMat with pixels; 0 for
// anything accumulate does not count.
int countableBytesPerPixel(const CvMat* plane)
{
    if (!plane)
        return 0;
    if ((plane->type & CV_MAGIC_MASK) != CV_MAT_MAGIC_VAL)
        return 0;
    if (plane->cols < 1 || plane->rows < 1 || plane->data.ptr == nullptr)
        return 0;
    const int elementType = CV_MAT_TYPE(plane->type);
    if (elementType != CV_8UC1 && elementType != CV_8UC2)
        return 0;
    return elementType == CV_8UC1 ? 1 : 2;
}

// How often each byte value occurs in a rectangle: interleaved lanes of
// 32-bit counters, folded into 64-bit totals whenever they could wrap.
struct ValueCounts {
    uint32_t lanes[kCountLanes][kByteValueCount];
    uint64_t totals[kByteValueCount];
    bool folded = false;

    ValueCounts() { std::memset(lanes, 0, sizeof lanes); }

    void fold()
    {
        if (!folded)
            std::memset(totals, 0, sizeof totals);
        folded = true;
        for (int v = 0; v < kByteValueCount; ++v) {
            for (int l = 0; l < kCountLanes; ++l)
                totals[v] += lanes[l][v];
        }
        std::memset(lanes, 0, sizeof lanes);
    }

    void countRow(const uint8_t* p, int64_t bytes)
    {
        int64_t b = 0;
        for (; b + kCountLanes <= bytes; b += kCountLanes) {
            ++lanes[0][p[b]];
            ++lanes[1][p[b + 1]];
            ++lanes[2][p[b + 2]];
            ++lanes[3][p[b + 3]];
        }
        for (; b < bytes; ++b)
            ++lanes[0][p[b]];
    }

    uint64_t total(int v) const
    {
        uint64_t c = folded ? totals[v] : 0;
        for (int l = 0; l < kCountLanes; ++l)
            c += lanes[l][v];
        return c;
    }
};

// A Bhattacharyya coefficient turned into a likelihood.
double likelihoodOfCoefficient(double bc)
{
    const double d = 1.0 - bc;
    if (d < 0)
        return std::exp(-kLikelihoodSharpness * 0.0);
    return std::exp(-kLikelihoodSharpness * d);
}

// True when no value of v[0 .. n) is an infinity or a NaN.
bool allFinite(const float* v, int n)
{
    constexpr uint32_t kExponentBits = 0x7f800000u;
    uint32_t nonFinite = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &v[i], sizeof bits);
        nonFinite |= (bits & kExponentBits) == kExponentBits;
    }
    return nonFinite == 0;
}

}  // namespace

bool HueHistogram::accumulate(const CvMat* plane, int x, int y, int width, int height)
{
    OccupiedBins occupied;
    return accumulate(plane, x, y, width, height, occupied);
}

bool HueHistogram::accumulate(const CvMat* plane, int x, int y, int width, int height, OccupiedBins& occupied)
{
    occupied.count = 0;
    const int bytesPerPixel = countableBytesPerPixel(plane);
    if (bytesPerPixel == 0)
        return false;

    for (int i = 0; i < binCount; ++i)
        bins[i] = 0.0f;

    // Sums in 64 bits: the rectangle may come from anywhere.
    const int64_t x0 = x > 0 ? x : 0;
    const int64_t y0 = y > 0 ? y : 0;
    const int64_t x1 = std::min<int64_t>(x0 + width, plane->cols);
    const int64_t y1 = std::min<int64_t>(y0 + height, plane->rows);
    if (x1 <= x0 || y1 <= y0)
        return true;

    // A row has at most 2 * INT_MAX bytes, less than one fold's worth.
    ValueCounts counts;
    const int64_t rowBytes = (x1 - x0) * bytesPerPixel;
    uint64_t sinceFold = 0;
    for (int64_t r = y0; r < y1; ++r) {
        if (sinceFold + static_cast<uint64_t>(rowBytes) > kBytesPerFold) {
            counts.fold();
            sinceFold = 0;
        }
        counts.countRow(plane->data.ptr + r * plane->step + x0 * bytesPerPixel, rowBytes);
        sinceFold += static_cast<uint64_t>(rowBytes);
    }

    const int counted = std::min(binCount, kByteValueCount);
    for (int v = 0; v < counted; ++v) {
        const uint64_t c = counts.total(v);
        if (c != 0) {
            bins[v] = static_cast<float>(std::min(c, kLargestFloatCount));
            occupied.index[occupied.count++] = static_cast<uint16_t>(v);
        }
    }
    return true;
}

void HueHistogram::normalizeOccupied(const OccupiedBins& occupied)
{
    // normalize() sums every bin in index order from +0.0f.  The bins left
    // out here are +0.0f, and s + 0.0f is s for every s but -0.0f, which a
    // sum from +0.0f of positive terms never is: the same float s.
    float s = 0.0f;
    for (int k = 0; k < occupied.count; ++k)
        s = s + bins[occupied.index[k]];
    if (s == 0.0f || s == 1.0f)
        return;
    // The bins are counts of at least 1, so s >= 2 here and k is finite:
    // the bins left out stay +0.0f in normalize() too (+0.0 * k is +0.0).
    const float k = static_cast<float>(1.0 / static_cast<double>(s));
    for (int j = 0; j < occupied.count; ++j) {
        float& b = bins[occupied.index[j]];
        b = static_cast<float>(static_cast<double>(b) * static_cast<double>(k));
    }
}

double HueHistogram::likelihoodAgainst(const HueHistogram& other) const
{
    // Both histograms of a target have the same count; a shorter other
    // histogram contributes nothing beyond its own bins.
    const int n = std::min(binCount, other.bins ? other.binCount : 0);
    double bc = 0.0;
    for (int i = 0; i < n; ++i)
        bc += std::sqrt(static_cast<double>(bins[i]) * static_cast<double>(other.bins[i]));
    return likelihoodOfCoefficient(bc);
}

double HueHistogram::likelihoodAgainstOccupied(const HueHistogram& other, const OccupiedBins& occupied) const
{
    const int n = std::min(binCount, other.bins ? other.binCount : 0);
    // A bin that other leaves at +0.0 adds sqrt(p * +0.0) = +-0.0 for a
    // finite p of this histogram, and bc + +-0.0 is bc (+0.0 + -0.0 is
    // +0.0; any other bc is unchanged): only occupied bins change the sum.
    // An infinite or NaN p would make that term NaN: then sum every bin.
    if (!allFinite(bins, n))
        return likelihoodAgainst(other);
    double bc = 0.0;
    for (int k = 0; k < occupied.count && occupied.index[k] < n; ++k) {
        const int i = occupied.index[k];
        bc += std::sqrt(static_cast<double>(bins[i]) * static_cast<double>(other.bins[i]));
    }
    return likelihoodOfCoefficient(bc);
}

void HueHistogram::release()
{
    if (bins) {
        releaseAligned(bins);
        bins = nullptr;
    }
    // No bins are left: a later allocate must allocate again.
    binCount = 0;
}
