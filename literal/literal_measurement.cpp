#include "literal/literal_cycle.h"

#include <opencv2/core/fast_math.hpp>

#include <algorithm>
#include <cfloat>
#include <cstdint>

namespace literal {

bool accumulate(HueHistogram& h, const CvMat* plane, int x, int y, int width, int height)
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

    for (int i = 0; i < h.binCount; ++i)
        h.bins[i] = 0.0f;

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
            if (value < h.binCount)
                h.bins[value] = h.bins[value] + 1.0f;
        }
    }
    return true;
}

float measure(Target& t, CvRect rect, const CvMat* plane)
{
    t.candidate.fill(0.0f);
    accumulate(t.candidate, plane, rect.x, rect.y, rect.width, rect.height);
    t.candidate.normalize();
    return static_cast<float>(t.reference.likelihoodAgainst(t.candidate));
}

void measureSamples(tavo& tracker, int n)
{
    Target* t = tracker.currentTarget;
    if (AppearanceModel* model = t->model.get()) {
        for (int i = 0; i < n; ++i) {
            Sample& s = tracker.windowSamples[i];
            const float v = model->measure(s.rect);
            s.weight = s.likelihood = static_cast<float>(static_cast<double>(v) + FLT_EPSILON);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        Sample& s = tracker.windowSamples[i];
        const float v = measure(*t, s.rect, tracker.huePlane);
        s.weight = s.likelihood = static_cast<float>(static_cast<double>(v) + FLT_EPSILON);
    }
}

}  // namespace literal
