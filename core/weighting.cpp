#include "core/tavo.h"

#include <opencv2/core/fast_math.hpp>

namespace {

// How often measuring looks for a stop request: every 64 samples, so that a
// frame of very large boxes still stops within a fraction of a second.
constexpr int kStopCheckInterval = 63;

}  // namespace

void tavo::measureSamples(int n) { measureSamples(currentTarget, windowSamples, n); }

void tavo::measureSamples(Target* t, Sample* window, int n) const
{
    // A target with an appearance model is measured through it; without
    // one, through its own hue histograms.
    AppearanceModel* model = t->model.get();
    auto measure = [&](const CvRect& rect) { return model ? model->measure(rect) : t->measure(rect, huePlane); };

    // The frame and the target's reference stay the same while the target
    // is measured (references adapt only between frames), so samples with
    // equal rectangles get equal likelihoods: each distinct rectangle is
    // measured once.
    RectMemo& memo = t->rectMemo;
    const bool memoised = n <= memo.capacity();
    if (memoised)
        memo.startRound();
    bool lastMeasured = false;
    for (int i = 0; i < n; ++i) {
        if ((i & kStopCheckInterval) == 0 && stopped())
            return;
        Sample& s = window[i];
        bool isNew = true;
        float* known = memoised ? memo.find(s.rect, isNew) : nullptr;
        float v;
        if (known && !isNew) {
            v = *known;
        } else {
            v = measure(s.rect);
            if (known)
                *known = v;
        }
        lastMeasured = isNew;
        s.weight = s.likelihood = static_cast<float>(static_cast<double>(v) + FLT_EPSILON);
    }
    // Measuring leaves the rectangle's histogram in the target's working
    // histogram: measure the last rectangle again when it was remembered,
    // so that it ends as after measuring every sample.
    if (n > 0 && !lastMeasured)
        measure(window[n - 1].rect);
}
