// OTB curves (Wu, Lim and Yang, 2013) per ground-truth target: the
// success curve over overlap thresholds and the precision curve over
// centre-error thresholds, a frame without a box of the target's result
// id counting as overlap 0 and an infinite error.

#include "evaluation/measures.h"
#include "evaluation/pair_counts.h"

#include <cmath>
#include <limits>
#include <map>

namespace tavo_eval {

namespace {

struct FrameScore {
    double overlap = 0.0;
    double error = std::numeric_limits<double>::infinity();
};

// Each target's result id: the one-to-one pairing of the largest overlap
// summed over the sequence.
std::map<int, int> resultOfTarget(const SequenceBoxes& s)
{
    PairCounts overlapSums;
    for (const FrameBoxes& f : s.frames)
        for (size_t i = 0; i < f.truth.size(); ++i)
            for (size_t j = 0; j < f.result.size(); ++j)
                if (f.at(i, j) > 0.0)
                    overlapSums.add(f.truth[i], f.result[j], f.at(i, j));
    std::map<int, int> paired;
    for (const uint64_t pair : bestPairing(overlapSums))
        paired[PairCounts::truthOf(pair)] = PairCounts::resultOf(pair);
    return paired;
}

TargetCurves curvesOf(const std::vector<FrameScore>& scores)
{
    TargetCurves c;
    c.frames = static_cast<int>(scores.size());
    for (const FrameScore& f : scores) {
        for (int k = 0; k < kSuccessSteps; ++k)
            c.success[k] += f.overlap > successThreshold(k);
        for (int k = 0; k < kPrecisionSteps; ++k)
            c.precision[k] += f.error <= k;
    }
    for (double& v : c.success)
        v /= c.frames;
    for (double& v : c.precision)
        v /= c.frames;
    return c;
}

}  // namespace

double successThreshold(int index)
{
    return index / double(kSuccessSteps - 1);
}

std::vector<TargetCurves> targetCurves(const SequenceBoxes& s)
{
    const std::map<int, int> paired = resultOfTarget(s);
    std::vector<std::vector<FrameScore>> scores(s.truthIds.size());
    for (const FrameBoxes& f : s.frames)
        for (size_t i = 0; i < f.truth.size(); ++i) {
            FrameScore score;
            const auto p = paired.find(f.truth[i]);
            for (size_t j = 0; p != paired.end() && j < f.result.size(); ++j)
                if (f.result[j] == p->second)
                    score = {f.at(i, j), centreDistance(f.truthBoxes[i], f.resultBoxes[j])};
            scores[f.truth[i]].push_back(score);
        }
    std::vector<TargetCurves> curves;
    for (size_t t = 0; t < scores.size(); ++t) {
        TargetCurves c = curvesOf(scores[t]);
        c.truthId = s.truthIds[t];
        const auto p = paired.find(static_cast<int>(t));
        c.followed = p != paired.end();
        c.resultId = c.followed ? s.resultIds[p->second] : 0;
        curves.push_back(c);
    }
    return curves;
}

}  // namespace tavo_eval
