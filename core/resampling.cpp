#include "core/tavo.h"

#include <opencv2/core/fast_math.hpp>

void tavo::resample(int n)
{
    Sample** order = windowRefs;
    Sample* current = windowSamples;
    Sample* scratch = windowScratch;

    double total = 0.0;
    for (int i = 0; i < n; ++i)
        total += order[i]->weight;

    // Each sample gets its expected number of copies, rounded half to even,
    // visited best first; copies stop when the generation is full.
    const double count = static_cast<float>(n);
    int l = 0;
    for (int i = 0; i < n && l < n; ++i) {
        const int copies = cvRound(static_cast<double>(order[i]->weight) * count / total);
        for (int c = 0; c < copies && l < n; ++c)
            scratch[l++] = *order[i];
    }
    // Rounding may leave slots: one more copy each of the best-ranked.
    for (int k = 0; l < n; ++k)
        scratch[l++] = *order[k];
    for (int i = 0; i < n; ++i)
        current[i] = scratch[i];
}
