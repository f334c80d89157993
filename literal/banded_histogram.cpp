// The banded histogram read probe by probe, each probe's weight worked out
// where it is read: the reference that the exactness tests hold the
// tracker's histogram to.

#include "appearance/banded_histogram.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace literal {
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

}  // namespace literal
