#include "appearance/reference_adaptation.h"
#include "core/tavo.h"

#include <algorithm>
#include <cmath>

void updateMotionStates(tavo& tracker)
{
    if (!tracker.motion)
        return;
    const MotionSettings& m = *tracker.motion;
    for (const auto& owned : tracker.targets) {
        Target& t = *owned;
        const Sample* samples = tracker.samples + t.firstSample;
        const int n = t.sampleCount;
        double best = 0.0, weighted = 0.0, weights = 0.0, likelihoods = 0.0, squares = 0.0;
        for (int i = 0; i < n; ++i) {
            const double l = samples[i].likelihood;
            best = std::max(best, l);
            likelihoods += l;
            squares += l * l;
            weighted += static_cast<double>(samples[i].weight) * samples[i].likelihood;
            weights += samples[i].weight;
        }
        const double confidence = weights > 0.0 ? weighted / weights : 0.0;
        const double ess = effectiveSampleSize(likelihoods, squares);
        const bool poor = belowTypical(t.motion, best, m.poorMatch) || ess < m.poorSampleShare * n;
        t.motion.poor = poor;
        if (m.adaptiveNoise)
            t.motion.noiseGain = nextNoiseGain(t.motion.noiseGain, poor, m);
        // Only a target that is or may become lost needs its colours
        // measured; without a model they cannot be, and count for nothing.
        double similarity = 0.0;
        if (m.lostAndFound && m.lostSimilarity > 0.0 && t.model &&
            (t.motion.lost || belowTypical(t.motion, best, m.lostMatch)))
            similarity = t.model->similarity(estimateRect(tracker, t));
        updateMotionState(t.motion, best, confidence, t.estimate, m, similarity);
    }
}
