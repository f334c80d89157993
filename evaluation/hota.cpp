// HOTA, DetA, AssA and LocA (Luiten et al., IJCV 2021) as the MOTChallenge
// evaluator computes them.

#include "evaluation/assignment.h"
#include "evaluation/measures.h"
#include "evaluation/pair_counts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavo_eval {

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// The evaluator's floor for LocA's sums, which makes LocA 1 without matches.
constexpr double kLocFloor = 1e-10;

// Adds each pair's overlap normalised by the boxes both ids have on the
// frame: summed over the frames, the ids' potential matches.
void addPotentialMatches(const FrameBoxes& f, PairCounts& potential)
{
    const size_t n = f.truth.size(), m = f.result.size();
    std::vector<double> rowSum(n, 0.0), columnSum(m, 0.0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j) {
            rowSum[i] += f.at(i, j);
            columnSum[j] += f.at(i, j);
        }
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j) {
            const double denominator = columnSum[j] + rowSum[i] - f.at(i, j);
            if (denominator > kEpsilon && f.at(i, j) != 0.0)
                potential.add(f.truth[i], f.result[j], f.at(i, j) / denominator);
        }
}

struct IdCounts {
    std::vector<double> truth, result;  // boxes per id
};

IdCounts countBoxes(const SequenceBoxes& s)
{
    IdCounts c{std::vector<double>(s.truthIds.size(), 0.0), std::vector<double>(s.resultIds.size(), 0.0)};
    for (const FrameBoxes& f : s.frames) {
        for (int t : f.truth)
            c.truth[t] += 1;
        for (int r : f.result)
            c.result[r] += 1;
    }
    return c;
}

// The frame's pairs as matched for HOTA: the assignment that maximises
// the global alignment of the ids times the overlap.
std::vector<int> matchFrame(const FrameBoxes& f, const PairCounts& potential, const IdCounts& ids)
{
    std::vector<std::vector<double>> cost(f.truth.size(), std::vector<double>(f.result.size()));
    for (size_t i = 0; i < f.truth.size(); ++i)
        for (size_t j = 0; j < f.result.size(); ++j) {
            const double p = potential.get(f.truth[i], f.result[j]);
            const double alignment = p / (ids.truth[f.truth[i]] + ids.result[f.result[j]] - p);
            cost[i][j] = -(alignment * f.at(i, j));
        }
    return minimumCostAssignment(cost);
}

void setAssociation(HotaScores& h, const std::vector<PairCounts>& matches, const IdCounts& ids)
{
    for (int a = 0; a < kAlphaCount; ++a) {
        double sum = 0.0;
        for (const auto& [key, count] : matches[a].sums()) {
            const double idBoxes = ids.truth[PairCounts::truthOf(key)] + ids.result[PairCounts::resultOf(key)];
            sum += count * (count / std::max(1.0, idBoxes - count));
        }
        h.assA[a] = sum / std::max(1.0, h.truePositives[a]);
        h.locA[a] = std::max(kLocFloor, h.locA[a]) / std::max(kLocFloor, h.truePositives[a]);
    }
}

}  // namespace

double alphaThreshold(int index)
{
    return 0.05 + index * 0.05;
}

void finishHota(HotaScores& h)
{
    for (int a = 0; a < kAlphaCount; ++a) {
        const double all = h.truePositives[a] + h.falseNegatives[a] + h.falsePositives[a];
        h.detA[a] = h.truePositives[a] / std::max(1.0, all);
        h.hota[a] = std::sqrt(h.detA[a] * h.assA[a]);
    }
}

HotaScores hotaScores(const SequenceBoxes& s)
{
    HotaScores h;
    if (s.resultBoxCount == 0 || s.truthBoxCount == 0) {
        h.falseNegatives.fill(s.truthBoxCount);
        h.falsePositives.fill(s.resultBoxCount);
        h.locA.fill(1.0);
        finishHota(h);
        return h;
    }
    PairCounts potential;
    for (const FrameBoxes& f : s.frames)
        addPotentialMatches(f, potential);
    const IdCounts ids = countBoxes(s);

    std::vector<PairCounts> matches(kAlphaCount);
    for (const FrameBoxes& f : s.frames) {
        const double truthHere = f.truth.size(), resultHere = f.result.size();
        const std::vector<int> columnOfRow =
            f.truth.empty() || f.result.empty() ? std::vector<int>(f.truth.size(), -1) : matchFrame(f, potential, ids);
        for (int a = 0; a < kAlphaCount; ++a) {
            int matched = 0;
            for (size_t i = 0; i < columnOfRow.size(); ++i) {
                const int j = columnOfRow[i];
                if (j < 0 || f.at(i, j) < alphaThreshold(a) - kEpsilon)
                    continue;
                ++matched;
                h.locA[a] += f.at(i, j);
                matches[a].add(f.truth[i], f.result[j], 1.0);
            }
            h.truePositives[a] += matched;
            h.falseNegatives[a] += truthHere - matched;
            h.falsePositives[a] += resultHere - matched;
        }
    }
    setAssociation(h, matches, ids);
    finishHota(h);
    return h;
}

HotaScores combineHota(const std::vector<HotaScores>& parts)
{
    HotaScores h;
    HotaScores::PerAlpha assSum{}, locSum{};
    for (const HotaScores& p : parts)
        for (int a = 0; a < kAlphaCount; ++a) {
            h.truePositives[a] += p.truePositives[a];
            h.falseNegatives[a] += p.falseNegatives[a];
            h.falsePositives[a] += p.falsePositives[a];
            assSum[a] += p.assA[a] * p.truePositives[a];
            locSum[a] += p.locA[a] * p.truePositives[a];
        }
    for (int a = 0; a < kAlphaCount; ++a) {
        h.assA[a] = assSum[a] / std::max(1.0, h.truePositives[a]);
        h.locA[a] = std::max(kLocFloor, locSum[a]) / std::max(kLocFloor, h.truePositives[a]);
    }
    finishHota(h);
    return h;
}

}  // namespace tavo_eval
