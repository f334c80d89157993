#pragma once

// Normalised histograms of the bin values of a rectangle of an 8-bit bin
// plane, optionally weighted toward the rectangle's centre and optionally
// one per horizontal band, compared through the Bhattacharyya coefficient.

#include <opencv2/core/types_c.h>

#include <cstdint>

struct HistogramLayout {
    int binCount = 0;     // bins per band; plane values at or above it are not counted
    int bands = 1;        // 1, or 2 for the upper and the lower half
    bool kernel = false;  // Epanechnikov weights instead of plain counts

    int size() const { return binCount * bands; }
};

// The Epanechnikov weight of pixel (x, y) of a rectangle: 1 - r^2 for r^2 < 1,
// else 0, r^2 = (dx / (w/2))^2 + (dy / (h/2))^2 measured from the
// rectangle's centre.  Corner pixels of the box weigh nothing.
double kernelWeight(CvRect rect, int x, int y);

// The rows of band b (0 upper, 1 lower) of a rectangle of height h:
// [first, end).  With two bands the upper half has h / 2 rows and the
// lower the rest; a rectangle one row high gives that row to both.
void bandRows(int height, int bands, int band, int& first, int& end);

// Histograms read at most kProbesPerSide x kProbesPerSide pixels of a
// rectangle (or of a band of it): every pixel of a smaller one, else the
// middle pixel of each cell of a kProbesPerSide x kProbesPerSide grid over
// it.  A histogram's cost is thus bounded whatever the rectangle's size,
// and a few hundred evenly spread pixels tell its colours well enough.
constexpr int kProbesPerSide = 20;

// The bins of a histogram band that its probes fell into (bins 0..255).
// Bins outside it hold 0, so that sums over a histogram's bins may skip
// them: each skipped term would add +0.
struct BinMask {
    uint64_t words[4] = {0, 0, 0, 0};
    void clear() { words[0] = words[1] = words[2] = words[3] = 0; }
    void add(int bin) { words[bin >> 6] |= uint64_t{1} << (bin & 63); }
    // f(bin) for every occupied bin, in increasing order.
    template <class F>
    void forEach(F f) const
    {
        for (int w = 0; w < 4; ++w)
            for (uint64_t bits = words[w]; bits; bits &= bits - 1)
                f(64 * w + __builtin_ctzll(bits));
    }
};

// Fills out[0 .. layout.size()) with the histograms of the rectangle's
// probes (those inside the plane), band after band, each scaled to sum 1;
// a band without any counted weight is all 0.
// `probesPerSide` larger than the rectangle reads every pixel.  With
// `occupied`, one per band, each band's occupied bins are written there.
void bandedHistogram(const CvMat* binPlane, CvRect rect, const HistogramLayout& layout, double* out,
                     int probesPerSide = kProbesPerSide, BinMask* occupied = nullptr);

namespace literal {
// The same histogram probe by probe, as first written: the reference the
// exactness tests compare with.
void bandedHistogram(const CvMat* binPlane, CvRect rect, const HistogramLayout& layout, double* out,
                     int probesPerSide = kProbesPerSide, BinMask* occupied = nullptr);
}  // namespace literal

// Fills out[0 .. binCount) with the plain histogram, scaled to sum 1, of
// the probes of the rectangle grown by `margin` pixels on every side that
// lie in the plane and outside the rectangle itself (its ring); all 0 when
// the ring has no counted pixel.
// With `occupied`, the ring's occupied bins are written there.
void ringHistogram(const CvMat* binPlane, CvRect rect, int margin, int binCount, double* out,
                   BinMask* occupied = nullptr);

// Sum of sqrt(p[i] q[i]) over n bins.
double bhattacharyya(const double* p, const double* q, int n);
// The same sum, bit for bit, over q's occupied bins alone (the others add +0).
double bhattacharyya(const double* p, const double* q, const BinMask& qOccupied);
