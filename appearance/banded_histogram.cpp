#include "appearance/banded_histogram.h"

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

void bandedHistogram(const CvMat* plane, CvRect rect, const HistogramLayout& layout, double* out, int probesPerSide,
                     BinMask* occupied)
{
    std::fill(out, out + layout.size(), 0.0);
    // Positions and weights along each side, on the stack up to the usual
    // count of probes.
    const int most = std::max(1, std::min(probesPerSide, std::max(rect.width, rect.height)));
    int columnStore[kProbesPerSide], rowStore[kProbesPerSide];
    double dx2Store[kProbesPerSide];
    int* columns = columnStore;
    int* rows = rowStore;
    double* dx2 = dx2Store;
    if (most > kProbesPerSide) {
        // Every pixel of a larger box (a reference learnt or followed, once
        // a frame): kept per thread, allocated only when a box is larger
        // than any before.
        thread_local std::vector<int> columnHeap, rowHeap;
        thread_local std::vector<double> dx2Heap;
        if (columnHeap.size() < static_cast<size_t>(most)) {
            columnHeap.resize(most);
            rowHeap.resize(most);
            dx2Heap.resize(most);
        }
        columns = columnHeap.data();
        rows = rowHeap.data();
        dx2 = dx2Heap.data();
    }
    const int columnCount = probePositions(rect.x, rect.width, most, columns);
    // The kernel stays centred on the whole rectangle, however much of it
    // lies outside the plane: dx^2 per probe column, dy^2 per probe row.
    const double centreX = rect.x + (rect.width - 1) * 0.5, halfWidth = rect.width * 0.5;
    const double centreY = rect.y + (rect.height - 1) * 0.5, halfHeight = rect.height * 0.5;
    for (int i = 0; i < columnCount; ++i) {
        const double dx = (columns[i] - centreX) / halfWidth;
        dx2[i] = dx * dx;
    }
    const int bins = layout.binCount;
    BinMask unused;
    for (int band = 0; band < layout.bands; ++band) {
        double* h = out + band * bins;
        BinMask& seen = occupied ? occupied[band] : unused;
        seen.clear();
        int first, end;
        bandRows(rect.height, layout.bands, band, first, end);
        const int rowCount = probePositions(int64_t{rect.y} + first, end - first, most, rows);
        double total = 0.0;
        for (int j = 0; j < rowCount; ++j) {
            const int r = rows[j];
            if (r < 0 || r >= plane->rows)
                continue;
            const uint8_t* p = plane->data.ptr + static_cast<ptrdiff_t>(r) * plane->step;
            const double dy = (r - centreY) / halfHeight;
            const double dy2 = dy * dy;
            for (int i = 0; i < columnCount; ++i) {
                const int c = columns[i];
                if (c < 0 || c >= plane->cols)
                    continue;
                const int value = p[c];
                if (value >= bins)
                    continue;
                double w = 1.0;
                if (layout.kernel) {
                    const double r2 = dx2[i] + dy2;
                    w = r2 < 1.0 ? 1.0 - r2 : 0.0;
                }
                h[value] += w;
                total += w;
                seen.add(value);
            }
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
