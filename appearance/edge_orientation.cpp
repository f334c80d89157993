#include "appearance/edge_orientation.h"

#include "support/row_bands.h"

#include <opencv2/core/core_c.h>

#include <algorithm>
#include <cstdlib>

namespace {

// tan(22.5), tan(45) and tan(67.5) degrees in units of 1/1024.
constexpr int kTan22 = 424;
constexpr int kTan45 = 1024;
constexpr int kTan67 = 2472;
constexpr int kUnit = 1024;

}  // namespace

uint8_t orientationBin(int gx, int gy)
{
    if (std::abs(gx) + std::abs(gy) < kEdgeStrength)
        return kFlatBin;
    if (gy < 0 || (gy == 0 && gx < 0)) {  // the same line, the other sign
        gx = -gx;
        gy = -gy;
    }
    const long y = static_cast<long>(gy) * kUnit;
    if (gx > 0) {  // 0 up to 90 degrees
        const long x = gx;
        if (y < kTan22 * x)
            return 0;
        if (y < kTan45 * x)
            return 1;
        return y < kTan67 * x ? 2 : 3;
    }
    const long x = -static_cast<long>(gx);  // 90 up to 180 degrees
    if (y > kTan67 * x)
        return 4;
    if (y > kTan45 * x)
        return 5;
    return y > kTan22 * x ? 6 : 7;
}

EdgeOrientations::~EdgeOrientations() { cvReleaseMat(&plane_); }

void EdgeOrientations::compute(const CvMat* hsv, WorkerPool* workers)
{
    if (!plane_ || plane_->rows != hsv->rows || plane_->cols != hsv->cols) {
        cvReleaseMat(&plane_);
        plane_ = cvCreateMat(hsv->rows, hsv->cols, CV_8UC1);
    }
    forRowBands(workers, hsv->rows, hsv->cols, [&](int, int first, int end) { computeRows(hsv, first, end); });
}

void EdgeOrientations::computeRows(const CvMat* hsv, int first, int end)
{
    // The 3x3 Sobel gradient of the brightness (every third byte from the
    // third), the frame's border repeated.
    const int rows = hsv->rows, cols = hsv->cols;
    const auto row = [&](int r) { return hsv->data.ptr + static_cast<ptrdiff_t>(std::clamp(r, 0, rows - 1)) * hsv->step + 2; };
    for (int r = first; r < end; ++r) {
        const uint8_t* up = row(r - 1);
        const uint8_t* mid = row(r);
        const uint8_t* down = row(r + 1);
        uint8_t* out = plane_->data.ptr + static_cast<ptrdiff_t>(r) * plane_->step;
        for (int c = 0; c < cols; ++c) {
            const int left = 3 * std::max(c - 1, 0), here = 3 * c, right = 3 * std::min(c + 1, cols - 1);
            const int gx = (up[right] + 2 * mid[right] + down[right]) - (up[left] + 2 * mid[left] + down[left]);
            const int gy = (down[left] + 2 * down[here] + down[right]) - (up[left] + 2 * up[here] + up[right]);
            out[c] = orientationBin(gx, gy);
        }
    }
}
