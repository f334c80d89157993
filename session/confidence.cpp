#include "session/confidence.h"

#include "motion/robust_motion.h"
#include "core/sample.h"

#include <algorithm>
#include <cmath>

namespace {

// A frame counts toward a target's usual best when its best match is at
// least this share of the usual (the share below which robust motion calls
// a match poor): frames on something else must not become usual.
constexpr double kGoodFrameShare = 0.3;
// Weight of a good frame in the running mean: the usual level follows a
// slow change of light or pose within about ten frames.
constexpr double kHistoryRate = 0.1;
// Best ratios are taken within these bounds: a match far better than usual
// says no more than a usual one, and one of nothing is not infinitely bad.
constexpr double kLeastRatio = 1e-3;
constexpr double kMostRatio = 2.0;
// A cloud wider than this many box sizes has lost its object already.
constexpr double kMostSpread = 2.0;

// The combination's weights, fitted by logistic regression on the tuning
// half of the development set (tools/development_split.txt: its 8 scenes
// and 5 real clips) with --robust, seeds 1-3, by tools/fit_confidence.py:
// right and wrong boxes weigh alike, and within each every scene and clip
// alike, so that a clip of 16 boxes counts as much as a scene of 1800.
// Each term's sign is that of the evidence: a match as good as usual, the
// reference's colours (their Hellinger distance, which tells a 0.99 from a
// 0.93 similarity more than their difference), a tight cloud and weights
// concentrated on a few samples (a cloud that found its object, not one
// spread over an even background).
constexpr double kBias = 3.748;
constexpr double kLogBestRatioWeight = 0.2315;
constexpr double kDistanceWeight = -4.526;
constexpr double kSpreadWeight = -5.3;
constexpr double kSampleShareWeight = -2.566;

// Intersection over union of two boxes; 1 when either is empty (nothing
// to compare).
double overlapOf(const RealBox& a, const RealBox& b)
{
    if (!(a.width > 0.0 && a.height > 0.0 && b.width > 0.0 && b.height > 0.0))
        return 1.0;
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    const double inter = std::max(0.0, w) * std::max(0.0, h);
    return inter / (a.width * a.height + b.width * b.height - inter);
}

// The running mean of a good frame's value; the first value starts it.
double learnt(double typical, double value)
{
    return typical > 0.0 ? (1.0 - kHistoryRate) * typical + kHistoryRate * value : value;
}

}  // namespace

SampleSummary summarise(const Sample* samples, int count)
{
    SampleSummary s;
    s.count = count;
    double weights = 0.0, squares = 0.0, x = 0.0, y = 0.0;
    for (int i = 0; i < count; ++i) {
        const double w = samples[i].weight;
        s.best = std::max(s.best, static_cast<double>(samples[i].likelihood));
        weights += w;
        squares += w * w;
        x += w * samples[i].posX;
        y += w * samples[i].posY;
    }
    if (!(weights > 0.0))
        return s;
    s.ess = effectiveSampleSize(weights, squares);
    x /= weights;
    y /= weights;
    double variance = 0.0;
    for (int i = 0; i < count; ++i) {
        const double dx = samples[i].posX - x, dy = samples[i].posY - y;
        variance += samples[i].weight * (dx * dx + dy * dy);
    }
    s.deviation = std::sqrt(variance / weights);
    return s;
}

ConfidenceTerms confidenceTerms(const SampleSummary& samples, double similarity, const RealBox& estimate,
                                ConfidenceHistory& history, const ConfidenceContext& context)
{
    ConfidenceTerms t;
    if (history.typicalBest > 0.0)
        t.bestRatio = std::clamp(samples.best / history.typicalBest, kLeastRatio, kMostRatio);
    if (similarity >= 0.0)
        t.similarity = similarity;
    t.spread = std::min(kMostSpread, samples.deviation / std::sqrt(std::max(1.0, estimate.width * estimate.height)));
    t.sampleShare = samples.count > 0 ? samples.ess / samples.count : 0.0;
    if (history.typicalSimilarity > 0.0)
        t.similarityRatio = std::min(kMostRatio, t.similarity / history.typicalSimilarity);
    t.fitAgreement = overlapOf(estimate, context.reported);
    if (context.foregroundShare >= 0.0)
        t.foregroundShare = context.foregroundShare;
    t.poorShare = std::min(1.0, context.poorFrames / kPoorFramesScale);
    const bool good = history.typicalBest == 0.0 || samples.best >= kGoodFrameShare * history.typicalBest;
    if (good && samples.best > 0.0) {
        history.typicalBest = learnt(history.typicalBest, samples.best);
        history.typicalSimilarity = learnt(history.typicalSimilarity, t.similarity);
    }
    return t;
}

double calibratedConfidence(const ConfidenceTerms& t)
{
    const double distance = std::sqrt(std::max(0.0, 1.0 - t.similarity));
    const double z = kBias + kLogBestRatioWeight * std::log(std::clamp(t.bestRatio, kLeastRatio, kMostRatio)) +
                     kDistanceWeight * distance + kSpreadWeight * t.spread + kSampleShareWeight * t.sampleShare;
    return std::max(kLeastConfidence, 1.0 / (1.0 + std::exp(-z)));
}
