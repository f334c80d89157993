#include "appearance/banded_histogram.h"

#include <opencv2/core/hal/intrin.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

double kernelWeight(CvRect rect, int x, int y)
{
    const double dx = (x - (rect.x + (rect.width - 1) * 0.5)) / (rect.width * 0.5);
    const double dy = (y - (rect.y + (rect.height - 1) * 0.5)) / (rect.height * 0.5);
    const double r2 = dx * dx + dy * dy;
    return r2 < 1.0 ? 1.0 - r2 : 0.0;
}

void bandRows(int height, int bands, int band, int& first, int& end)
{
    if (bands < 2 || height < 2) {
        first = 0;
        end = height;
        return;
    }
    const int upper = height / 2;
    first = band == 0 ? 0 : upper;
    end = band == 0 ? upper : height;
}

namespace {

// The pixels read along a side of `length` pixels starting at `start`: all
// of them up to `probes`, else the middle pixel of each of `probes` equal
// cells.  Returns how many, into `at`.
int probePositions(int64_t start, int length, int probes, int* at)
{
    const int count = std::min(length, probes);
    for (int i = 0; i < count; ++i)
        at[i] = static_cast<int>(start + (2 * int64_t{i} + 1) * length / (2 * int64_t{count}));
    return count;
}

}  // namespace

namespace {

// The probes [first, end) of increasing positions `at` that lie in 0 .. size.
void probesInside(const int* at, int count, int size, int& first, int& end)
{
    first = 0;
    while (first < count && at[first] < 0)
        ++first;
    end = first;
    while (end < count && at[end] < size)
        ++end;
}

// One probe row's kernel weights, 1 - r^2 inside the ellipse, else 0, r^2
// = dx^2 + dy^2: two probes at a time, each lane's operations those of one
// probe in the same order.
void kernelRow(const double* dx2, int first, int end, double dy2, double* w)
{
    int i = first;
#if CV_SIMD128_64F
    const cv::v_float64x2 one = cv::v_setall_f64(1.0), zero = cv::v_setzero_f64(), dy = cv::v_setall_f64(dy2);
    for (; i + 2 <= end; i += 2) {
        const cv::v_float64x2 r2 = cv::v_load(dx2 + i) + dy;
        cv::v_store(w + i, cv::v_select(r2 < one, one - r2, zero));
    }
#endif
    for (; i < end; ++i) {
        const double r2 = dx2[i] + dy2;
        w[i] = r2 < 1.0 ? 1.0 - r2 : 0.0;
    }
}

// Per-probe storage of one call: on the stack up to the usual count of
// probes, else kept per thread, allocated only when a box is larger than
// any before (every pixel of a reference learnt or followed, once a frame).
struct ProbeStore {
    int columnStore[kProbesPerSide], rowStore[kProbesPerSide];
    double dx2Store[kProbesPerSide], weightStore[kProbesPerSide];
    int* columns = columnStore;
    int* rows = rowStore;
    double* dx2 = dx2Store;
    double* weights = weightStore;

    explicit ProbeStore(int most)
    {
        if (most <= kProbesPerSide)
            return;
        thread_local std::vector<int> columnHeap, rowHeap;
        thread_local std::vector<double> dx2Heap, weightHeap;
        if (columnHeap.size() < static_cast<size_t>(most)) {
            columnHeap.resize(most);
            rowHeap.resize(most);
            dx2Heap.resize(most);
            weightHeap.resize(most);
        }
        columns = columnHeap.data();
        rows = rowHeap.data();
        dx2 = dx2Heap.data();
        weights = weightHeap.data();
    }
};

// Adds one probe row's pixels [first, end) of `columns` to the histogram
// `h` by the weights, and each weight to `total`, in the probes' order.
void addProbeRow(const uint8_t* pixels, const int* columns, const double* weights, int first, int end, int bins,
                 double* h, BinMask& seen, double& bandTotal)
{
    double total = bandTotal;
    for (int i = first; i < end; ++i) {
        const int value = pixels[columns[i]];
        if (value >= bins)
            continue;
        h[value] += weights[i];
        total += weights[i];
        seen.add(value);
    }
    bandTotal = total;
}

}  // namespace

void bandedHistogram(const CvMat* plane, CvRect rect, const HistogramLayout& layout, double* out, int probesPerSide,
                     BinMask* occupied)
{
    std::fill(out, out + layout.size(), 0.0);
    const int most = std::max(1, std::min(probesPerSide, std::max(rect.width, rect.height)));
    ProbeStore store(most);
    const int columnCount = probePositions(rect.x, rect.width, most, store.columns);
    int firstColumn, endColumn;
    probesInside(store.columns, columnCount, plane->cols, firstColumn, endColumn);
    // The kernel stays centred on the whole rectangle, however much of it
    // lies outside the plane: dx^2 per probe column, dy^2 per probe row.
    const double centreX = rect.x + (rect.width - 1) * 0.5, halfWidth = rect.width * 0.5;
    const double centreY = rect.y + (rect.height - 1) * 0.5, halfHeight = rect.height * 0.5;
    for (int i = firstColumn; i < endColumn; ++i) {
        const double dx = (store.columns[i] - centreX) / halfWidth;
        store.dx2[i] = dx * dx;
        store.weights[i] = 1.0;
    }
    const int bins = layout.binCount;
    BinMask unused;
    for (int band = 0; band < layout.bands; ++band) {
        double* h = out + band * bins;
        BinMask& seen = occupied ? occupied[band] : unused;
        seen.clear();
        int first, end;
        bandRows(rect.height, layout.bands, band, first, end);
        const int rowCount = probePositions(int64_t{rect.y} + first, end - first, most, store.rows);
        double total = 0.0;
        for (int j = 0; j < rowCount; ++j) {
            const int r = store.rows[j];
            if (r < 0 || r >= plane->rows)
                continue;
            if (layout.kernel) {
                const double dy = (r - centreY) / halfHeight;
                kernelRow(store.dx2, firstColumn, endColumn, dy * dy, store.weights);
            }
            const uint8_t* p = plane->data.ptr + static_cast<ptrdiff_t>(r) * plane->step;
            addProbeRow(p, store.columns, store.weights, firstColumn, endColumn, bins, h, seen, total);
        }
        // Empty bins stay 0 divided or not.
        if (total > 0.0)
            seen.forEach([h, total](int i) { h[i] /= total; });
    }
}

void ringHistogram(const CvMat* plane, CvRect rect, int margin, int binCount, double* out, BinMask* occupied)
{
    std::fill(out, out + binCount, 0.0);
    BinMask unused;
    BinMask& seen = occupied ? *occupied : unused;
    seen.clear();
    const int64_t ix0 = rect.x, iy0 = rect.y, ix1 = ix0 + rect.width, iy1 = iy0 + rect.height;
    int columns[kProbesPerSide], rows[kProbesPerSide];
    const int columnCount = probePositions(ix0 - margin, rect.width + 2 * margin, kProbesPerSide, columns);
    const int rowCount = probePositions(iy0 - margin, rect.height + 2 * margin, kProbesPerSide, rows);
    double total = 0.0;
    for (int j = 0; j < rowCount; ++j) {
        const int r = rows[j];
        if (r < 0 || r >= plane->rows)
            continue;
        const uint8_t* p = plane->data.ptr + static_cast<ptrdiff_t>(r) * plane->step;
        const bool insideRows = r >= iy0 && r < iy1;
        for (int i = 0; i < columnCount; ++i) {
            const int c = columns[i];
            if (c < 0 || c >= plane->cols || (insideRows && c >= ix0 && c < ix1))
                continue;  // outside the plane, or the rectangle itself
            const int value = p[c];
            if (value < binCount) {
                out[value] += 1.0;
                total += 1.0;
                seen.add(value);
            }
        }
    }
    if (total > 0.0)
        seen.forEach([out, total](int i) { out[i] /= total; });
}

double bhattacharyya(const double* p, const double* q, int n)
{
    double bc = 0.0;
    for (int i = 0; i < n; ++i)
        bc += std::sqrt(p[i] * q[i]);
    return bc;
}

double bhattacharyya(const double* p, const double* q, const BinMask& qOccupied)
{
    double bc = 0.0;
    qOccupied.forEach([&](int i) { bc += std::sqrt(p[i] * q[i]); });
    return bc;
}
