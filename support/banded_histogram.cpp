#include "support/banded_histogram.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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

void bandedHistogram(const CvMat* plane, CvRect rect, const HistogramLayout& layout, double* out)
{
    std::fill(out, out + layout.size(), 0.0);
    // Cut to the plane; the kernel stays centred on the whole rectangle.
    const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    const int x1 = std::min<int64_t>(int64_t{rect.x} + rect.width, plane->cols);
    const int y1 = std::min<int64_t>(int64_t{rect.y} + rect.height, plane->rows);
    const int bins = layout.binCount;
    for (int band = 0; band < layout.bands; ++band) {
        double* h = out + band * bins;
        int first, end;
        bandRows(rect.height, layout.bands, band, first, end);
        const int rowFrom = std::max(y0, rect.y + first), rowTo = std::min(y1, rect.y + end);
        double total = 0.0;
        for (int r = rowFrom; r < rowTo; ++r) {
            const uint8_t* p = plane->data.ptr + static_cast<ptrdiff_t>(r) * plane->step;
            for (int c = x0; c < x1; ++c) {
                const int value = p[c];
                if (value >= bins)
                    continue;
                const double w = layout.kernel ? kernelWeight(rect, c, r) : 1.0;
                h[value] += w;
                total += w;
            }
        }
        if (total > 0.0)
            for (int i = 0; i < bins; ++i)
                h[i] /= total;
    }
}

void ringHistogram(const CvMat* plane, CvRect rect, int margin, int binCount, double* out)
{
    std::fill(out, out + binCount, 0.0);
    const int64_t ix0 = rect.x, iy0 = rect.y, ix1 = ix0 + rect.width, iy1 = iy0 + rect.height;
    const int x0 = static_cast<int>(std::max<int64_t>(ix0 - margin, 0));
    const int y0 = static_cast<int>(std::max<int64_t>(iy0 - margin, 0));
    const int x1 = static_cast<int>(std::min<int64_t>(ix1 + margin, plane->cols));
    const int y1 = static_cast<int>(std::min<int64_t>(iy1 + margin, plane->rows));
    double total = 0.0;
    for (int r = y0; r < y1; ++r) {
        const uint8_t* p = plane->data.ptr + static_cast<ptrdiff_t>(r) * plane->step;
        const bool insideRows = r >= iy0 && r < iy1;
        for (int c = x0; c < x1; ++c) {
            if (insideRows && c >= ix0 && c < ix1) {
                c = static_cast<int>(ix1) - 1;  // skip the rectangle itself
                continue;
            }
            const int value = p[c];
            if (value < binCount) {
                out[value] += 1.0;
                total += 1.0;
            }
        }
    }
    if (total > 0.0)
        for (int i = 0; i < binCount; ++i)
            out[i] /= total;
}

double bhattacharyya(const double* p, const double* q, int n)
{
    double bc = 0.0;
    for (int i = 0; i < n; ++i)
        bc += std::sqrt(p[i] * q[i]);
    return bc;
}
