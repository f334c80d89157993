#include "tracker/tavo.h"

#include <opencv2/core/fast_math.hpp>

void tavo::measureSamples(int n)
{
    Target* t = currentTarget;
    if (AppearanceModel* model = t->model.get()) {
        for (int i = 0; i < n; ++i) {
            Sample& s = windowSamples[i];
            const float v = model->measure(s.rect);
            s.weight = s.likelihood = static_cast<float>(static_cast<double>(v) + FLT_EPSILON);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        Sample& s = windowSamples[i];
        const float v = t->measure(s.rect, huePlane);
        s.weight = s.likelihood = static_cast<float>(static_cast<double>(v) + FLT_EPSILON);
    }
}
