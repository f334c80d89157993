#include "tracker/tavo.h"

#include <cmath>

void tavo::jointMove(int iterations)
{
    const uint32_t mask = static_cast<uint32_t>(tableMask);
    for (int it = 0; it < iterations; ++it) {
        // Every target draws before any target votes.
        int i = 0;
        for (const auto& t : targets)
            t->chosen = t->samplingTable[jointPool.nextInt(i++) & mask];

        for (const auto& t : targets) {
            Sample* s = t->chosen;
            double g = 1.0;
            for (const Target* u : t->neighbours) {
                const int a = overlapArea(s->region, u->chosen->region);
                if (a != 0) {
                    const double r = static_cast<double>(a) / s->region.area;
                    g = g * std::exp(r * r * (-8) * 8);
                }
            }
            s->vote = static_cast<float>(static_cast<double>(s->vote) + g);
        }
    }

    for (const auto& owned : targets) {
        Target* t = owned.get();
        selectTarget(t->firstSample, nullptr);
        const int n = t->sampleCount;
        double votes = 0.0, likelihoods = 0.0;
        for (int i = 0; i < n; ++i)
            votes += windowSamples[i].vote;
        for (int i = 0; i < n; ++i)
            likelihoods += windowSamples[i].likelihood;
        for (int i = 0; i < n; ++i) {
            Sample& s = windowSamples[i];
            s.weight = static_cast<float>((s.vote / votes) * 0.5 + (s.likelihood / likelihoods) * 0.5);
        }
    }
}
