#include "core/tavo.h"

#include <cmath>

namespace {

// The penalty of a drawn sample overlapping a neighbour's draw by a share r
// of its own area is exp(-64 r^2): a full overlap weighs e^-64, a quarter of
// the area still e^-4.  (Scaling by a power of two is exact, so this is
// bit for bit r * r * -8 * 8.)
constexpr double kOverlapPenaltyRate = -64.0;

// The final weight mixes a sample's share of the votes and its share of
// the likelihoods half and half.
constexpr double kVoteShareWeight = 0.5;
constexpr double kLikelihoodShareWeight = 0.5;

}  // namespace

namespace {

// How often the joint move looks for a stop request: every 1024 iterations,
// a few tenths of a millisecond apart.
constexpr int kStopCheckInterval = 1023;

}  // namespace

void tavo::runJointStage(int iterations)
{
    if (iterations == kUseJointIterationSetting)
        iterations = jointIterations;
    else if (iterations < 1)
        return;
    if (targets.empty())
        return;

    // Each table is built from its own target's samples only.
    auto buildTable = [this](int k) {
        Target* t = targets[static_cast<size_t>(k)].get();
        t->drawTable.fill(tableMask, samples + t->firstSample, t->sampleCount);
    };
    forEachTarget(buildTable);
    jointMove(iterations);
}

void tavo::jointMove(int iterations)
{
    const uint32_t mask = static_cast<uint32_t>(tableMask);
    for (int it = 0; it < iterations; ++it) {
        if ((it & kStopCheckInterval) == 0 && stopped())
            return;
        // Every target draws before any target votes.
        int i = 0;
        for (const auto& t : targets)
            t->chosen = t->drawTable.sampleAt(jointPool.nextInt(i++) & mask);
        voteForChosen();
    }
    mixWeights();
}

void tavo::voteForChosen()
{
    for (const auto& t : targets) {
        Sample* s = t->chosen;
        double g = 1.0;
        for (const Target* u : t->neighbours) {
            const int a = overlapArea(s->region, u->chosen->region);
            if (a != 0) {
                const double r = static_cast<double>(a) / s->region.area;
                g = g * std::exp(r * r * kOverlapPenaltyRate);
            }
        }
        s->vote = static_cast<float>(static_cast<double>(s->vote) + g);
    }
}

void tavo::mixWeights()
{
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
            s.weight = static_cast<float>((s.vote / votes) * kVoteShareWeight +
                                          (s.likelihood / likelihoods) * kLikelihoodShareWeight);
        }
    }
}
