#include "support/hue_histogram.h"

#include "support/aligned_alloc.h"

#include <algorithm>
#include <cmath>
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

bool HueHistogram::accumulate(const CvMat* plane, int x, int y, int width, int height)
{
    if (!plane)
        return false;
    if ((plane->type & CV_MAGIC_MASK) != CV_MAT_MAGIC_VAL)
        return false;
    if (plane->cols < 1 || plane->rows < 1 || plane->data.ptr == nullptr)
        return false;
    const int elementType = CV_MAT_TYPE(plane->type);
    if (elementType != CV_8UC1 && elementType != CV_8UC2)
        return false;
    const int bytesPerPixel = elementType == CV_8UC1 ? 1 : 2;

    for (int i = 0; i < binCount; ++i)
        bins[i] = 0.0f;

    // Sums in 64 bits: the rectangle may come from anywhere.
    const int64_t x0 = x > 0 ? x : 0;
    const int64_t y0 = y > 0 ? y : 0;
    const int64_t x1 = std::min<int64_t>(x0 + width, plane->cols);
    const int64_t y1 = std::min<int64_t>(y0 + height, plane->rows);
    if (x1 <= x0 || y1 <= y0)
        return true;

    const int64_t rowBytes = (x1 - x0) * bytesPerPixel;
    for (int64_t r = y0; r < y1; ++r) {
        const uint8_t* p = plane->data.ptr + r * plane->step + x0 * bytesPerPixel;
        for (int64_t b = 0; b < rowBytes; ++b) {
            const int value = p[b];
            if (value < binCount)
                bins[value] = bins[value] + 1.0f;
        }
    }
    return true;
}

double HueHistogram::likelihoodAgainst(const HueHistogram& other) const
{
    // Both histograms of a target have the same count; a shorter other
    // histogram contributes nothing beyond its own bins.
    const int n = std::min(binCount, other.bins ? other.binCount : 0);
    double bc = 0.0;
    for (int i = 0; i < n; ++i)
        bc += std::sqrt(static_cast<double>(bins[i]) * static_cast<double>(other.bins[i]));
    const double d = 1.0 - bc;
    if (d < 0)
        return std::exp(-kLikelihoodSharpness * 0.0);
    return std::exp(-kLikelihoodSharpness * d);
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
