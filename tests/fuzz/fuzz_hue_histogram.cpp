// libFuzzer harness for HueHistogram: a short program of operations on two
// histograms, decoded from the input, with every result checked against
// what the operation must do.  Rectangles take any 32-bit values; planes
// are small, may have padded rows, and are sometimes of a type the
// histogram must refuse.

#define FUZZ_HARNESS_NAME "fuzz_hue_histogram"
#include "fuzz_check.h"
#include "core/hue_histogram.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <opencv2/core/types_c.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A rectangle coordinate: mostly near the plane, sometimes an extreme.
int32_t coordinate(FuzzedDataProvider& in, int limit)
{
    limit = std::max(limit, 1);
    static const int32_t extremes[] = {INT_MIN, INT_MIN + 1, -65536, -1, 0, 1, 65536, INT_MAX - 1, INT_MAX};
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return in.ConsumeIntegralInRange<int32_t>(-limit, 2 * limit);
    case 1:
        return extremes[in.ConsumeIntegralInRange<size_t>(0, sizeof extremes / sizeof *extremes - 1)];
    default:
        return in.ConsumeIntegral<int32_t>();
    }
}

// The bins the histogram holds (none without an array).
int binsHeld(const HueHistogram& h) { return h.bins ? h.binCount : 0; }

std::vector<float> snapshot(const HueHistogram& h)
{
    return std::vector<float>(h.bins, h.bins + binsHeld(h));
}

bool sameBits(const std::vector<float>& a, const HueHistogram& h)
{
    return static_cast<int32_t>(a.size()) == binsHeld(h) &&
           (a.empty() || std::memcmp(a.data(), h.bins, a.size() * sizeof(float)) == 0);
}

bool finiteNonNegative(const HueHistogram& h)
{
    for (int i = 0; i < binsHeld(h); ++i)
        if (!(h.bins[i] >= 0.0f) || !std::isfinite(h.bins[i]))
            return false;
    return true;
}

// Owns the pixels of a test plane: exactly the bytes the header describes,
// so that any read past the last pixel of the last row is caught.
struct Plane {
    CvMat header;
    std::vector<uint8_t> pixels;
};

void makePlane(FuzzedDataProvider& in, Plane& p)
{
    static const int types[] = {CV_8UC1, CV_8UC1, CV_8UC2, CV_8UC2, CV_8UC3, CV_16UC1, CV_8UC4};
    const int type = types[in.ConsumeIntegralInRange<size_t>(0, sizeof types / sizeof *types - 1)];
    const int cols = in.ConsumeIntegralInRange<int>(1, 64);
    const int rows = in.ConsumeIntegralInRange<int>(1, 64);
    const int rowBytes = cols * CV_ELEM_SIZE(type);
    const int step = rowBytes + in.ConsumeIntegralInRange<int>(0, 3) * in.ConsumeIntegralInRange<int>(0, 9);
    p.pixels.assign(static_cast<size_t>(rows - 1) * step + rowBytes, 0);
    // Pixel values: from the input, repeated to fill the plane.
    const std::vector<uint8_t> pattern = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 96));
    if (!pattern.empty())
        for (size_t i = 0; i < p.pixels.size(); ++i)
            p.pixels[i] = pattern[i % pattern.size()];

    p.header.type = CV_MAT_MAGIC_VAL | CV_MAT_CONT_FLAG | type;
    p.header.step = step;
    p.header.refcount = nullptr;
    p.header.hdr_refcount = 0;
    p.header.data.ptr = p.pixels.data();
    p.header.rows = rows;
    p.header.cols = cols;
    // Headers the histogram must refuse: foreign, empty, without data.
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0:
        p.header.type &= ~CV_MAGIC_MASK;
        break;
    case 1:
        p.header.data.ptr = nullptr;
        break;
    case 2:
        p.header.cols = 0;
        break;
    case 3:
        p.header.rows = in.ConsumeBool() ? 0 : -1;
        break;
    default:
        break;
    }
}

// accumulate, checked against a plain count of the same rectangle.
bool checkAccumulate(FuzzedDataProvider& in, HueHistogram& h)
{
    Plane p;
    makePlane(in, p);
    const int x = coordinate(in, p.header.cols), y = coordinate(in, p.header.rows);
    const int w = coordinate(in, p.header.cols), hgt = coordinate(in, p.header.rows);
    const bool nullPlane = in.ConsumeIntegralInRange<int>(0, 31) == 0;

    const std::vector<float> before = snapshot(h);
    const bool ok = h.accumulate(nullPlane ? nullptr : &p.header, x, y, w, hgt);

    const CvMat& m = p.header;
    const int type = CV_MAT_TYPE(m.type);
    const bool valid = !nullPlane && (m.type & CV_MAGIC_MASK) == CV_MAT_MAGIC_VAL && m.cols >= 1 && m.rows >= 1 &&
                       m.data.ptr && (type == CV_8UC1 || type == CV_8UC2);
    CHECK(ok == valid);
    if (!ok) {
        CHECK(sameBits(before, h));
        return false;
    }

    std::vector<double> expected(static_cast<size_t>(h.binCount), 0.0);
    const int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int64_t x1 = std::min<int64_t>(x0 + w, m.cols), y1 = std::min<int64_t>(y0 + hgt, m.rows);
    const int channels = CV_MAT_CN(type);
    int64_t bytes = 0;
    for (int64_t r = y0; r < y1; ++r)
        for (int64_t c = x0 * channels; c < x1 * channels; ++c) {
            ++bytes;
            const int v = m.data.ptr[r * m.step + c];
            if (v < h.binCount)
                expected[v] += 1.0;
        }
    double total = 0.0;
    for (int i = 0; i < h.binCount; ++i) {
        const float b = h.bins[i];
        CHECK(b >= 0.0f && b == std::floor(b));
        CHECK(static_cast<double>(b) == expected[i]);
        total += b;
    }
    CHECK(total <= static_cast<double>(bytes));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    HueHistogram hist[2];
    bool counts[2] = {false, false};  // bins are whole counts from accumulate

    for (int op = 0; op < 24 && in.remaining_bytes() > 0; ++op) {
        const int k = in.ConsumeIntegralInRange<int>(0, 1);
        HueHistogram& h = hist[k];
        HueHistogram& other = hist[1 - k];
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: {  // allocate
            const int n = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(1, 300)
                                           : in.ConsumeIntegralInRange<int>(INT_MIN, 0);
            const std::vector<float> before = snapshot(h);
            const bool ok = h.allocate(n);
            if (n <= 0) {
                CHECK(!ok && sameBits(before, h));
            } else {
                CHECK(ok && h.binCount == n && h.bins);
                CHECK((reinterpret_cast<uintptr_t>(h.bins) & 31) == 0);
                for (int i = 0; i < n; ++i)
                    CHECK(h.bins[i] == 0.0f && !std::signbit(h.bins[i]));
                counts[k] = true;
            }
            break;
        }
        case 1: {  // fill
            const float v = in.ConsumeBool() ? in.ConsumeFloatingPoint<float>()
                                             : static_cast<float>(in.ConsumeIntegralInRange<int>(0, 4));
            h.fill(v);
            for (int i = 0; i < h.binCount; ++i)
                CHECK(std::memcmp(&h.bins[i], &v, sizeof v) == 0);
            counts[k] = v >= 0.0f && v == std::floor(v) && v < 16777216.0f;
            break;
        }
        case 2: {  // copyFrom
            const std::vector<float> before = snapshot(h);
            const bool ok = h.copyFrom(other);
            const bool possible = h.binCount != 0 && h.binCount == other.binCount && h.bins && other.bins;
            CHECK(ok == possible);
            if (ok) {
                CHECK(sameBits(snapshot(other), h));
                counts[k] = counts[1 - k];
            } else {
                CHECK(sameBits(before, h));
            }
            break;
        }
        case 3: {  // normalize
            const float s = h.sum();
            const std::vector<float> before = snapshot(h);
            h.normalize();
            if (s == 0.0f || s == 1.0f)
                CHECK(sameBits(before, h));
            else if (counts[k] && h.binCount > 0)
                CHECK(std::fabs(static_cast<double>(h.sum()) - 1.0) <= 1e-4);
            counts[k] = s == 0.0f && counts[k];
            break;
        }
        case 4:
        case 5:  // accumulate
            if (checkAccumulate(in, h))
                counts[k] = true;
            break;
        case 6: {  // likelihoodAgainst
            const double l = h.likelihoodAgainst(other);
            if (finiteNonNegative(h) && finiteNonNegative(other))
                CHECK(l >= std::exp(-20.0) - 1e-15 && l <= 1.0);
            if (h.binCount == 0 || other.binCount == 0)
                CHECK(l == std::exp(-20.0));
            break;
        }
        default:  // release: the histogram must stay usable afterwards
            h.release();
            counts[k] = true;
            break;
        }
    }
    return 0;
}
