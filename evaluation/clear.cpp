// The CLEAR MOT measures (Bernardin and Stiefelhagen, 2008) with the
// MOTChallenge evaluator's matching, switches, track coverage and
// fragmentations.

#include "evaluation/assignment.h"
#include "evaluation/measures.h"

#include <algorithm>
#include <limits>

namespace tavo_eval {

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// Keeping the previous frame's pair outweighs any overlap.
constexpr double kContinuationBonus = 1000.0;
// A target is mostly tracked above this share of its frames, mostly lost
// below the second.
constexpr double kMostlyTracked = 0.8;
constexpr double kPartlyTracked = 0.2;
constexpr int kNone = -1;

struct TargetState {
    std::vector<int> lastResult;       // the result id it was last matched to, ever
    std::vector<int> previousFrame;    // the one it was matched to on the last scored frame
    std::vector<int> frames, matchedFrames, trackedStretches;
};

// The frame's matched pairs (truth index -> result index, or kNone).
std::vector<int> matchFrame(const FrameBoxes& f, const TargetState& state)
{
    std::vector<std::vector<double>> cost(f.truth.size(), std::vector<double>(f.result.size()));
    for (size_t i = 0; i < f.truth.size(); ++i)
        for (size_t j = 0; j < f.result.size(); ++j) {
            const double overlap = f.at(i, j);
            const bool continues = state.previousFrame[f.truth[i]] == f.result[j];
            cost[i][j] = overlap < kMatchOverlap - kEpsilon ? 0.0 : -(kContinuationBonus * continues + overlap);
        }
    std::vector<int> columnOfRow = minimumCostAssignment(cost);
    for (size_t i = 0; i < columnOfRow.size(); ++i)
        if (columnOfRow[i] >= 0 && -cost[i][columnOfRow[i]] <= kEpsilon)
            columnOfRow[i] = kNone;
    return columnOfRow;
}

void scoreFrame(const FrameBoxes& f, TargetState& state, ClearScores& c)
{
    const std::vector<int> columnOfRow = matchFrame(f, state);
    std::vector<int> matchedNow(state.previousFrame.size(), kNone);
    int matches = 0;
    for (size_t i = 0; i < columnOfRow.size(); ++i) {
        const int truth = f.truth[i];
        state.frames[truth] += 1;
        if (columnOfRow[i] == kNone)
            continue;
        const int result = f.result[columnOfRow[i]];
        if (state.lastResult[truth] != kNone && state.lastResult[truth] != result)
            ++c.idSwitches;
        state.lastResult[truth] = result;
        state.matchedFrames[truth] += 1;
        matchedNow[truth] = result;
        c.overlapSum += f.at(i, columnOfRow[i]);
        ++matches;
    }
    for (size_t t = 0; t < matchedNow.size(); ++t)
        if (state.previousFrame[t] == kNone && matchedNow[t] != kNone)
            state.trackedStretches[t] += 1;
    state.previousFrame = matchedNow;
    c.truePositives += matches;
    c.falseNegatives += static_cast<int>(f.truth.size()) - matches;
    c.falsePositives += static_cast<int>(f.result.size()) - matches;
}

}  // namespace

void finishClear(ClearScores& c)
{
    const double truthBoxes = std::max(1.0, double(c.truePositives) + c.falseNegatives);
    c.mota = (double(c.truePositives) - c.falsePositives - c.idSwitches) / truthBoxes;
    c.motp = c.overlapSum / std::max(1.0, double(c.truePositives));
}

ClearScores clearScores(const SequenceBoxes& s)
{
    ClearScores c;
    // An empty side: the evaluator reports the counts alone, MOTA and
    // MOTP as 0.
    if (s.resultBoxCount == 0 || s.truthBoxCount == 0) {
        c.falseNegatives = s.truthBoxCount;
        c.falsePositives = s.resultBoxCount;
        c.mostlyLost = s.resultBoxCount == 0 ? static_cast<int>(s.truthIds.size()) : 0;
        return c;
    }
    const size_t ids = s.truthIds.size();
    TargetState state{std::vector<int>(ids, kNone), std::vector<int>(ids, kNone), std::vector<int>(ids, 0),
                      std::vector<int>(ids, 0), std::vector<int>(ids, 0)};
    for (const FrameBoxes& f : s.frames) {
        if (f.truth.empty()) {
            c.falsePositives += static_cast<int>(f.result.size());
            continue;
        }
        if (f.result.empty()) {
            // Neither a match nor a break: the evaluator keeps the
            // previous frame's pairs over frames without results.
            c.falseNegatives += static_cast<int>(f.truth.size());
            for (int t : f.truth)
                state.frames[t] += 1;
            continue;
        }
        scoreFrame(f, state, c);
    }
    for (size_t t = 0; t < ids; ++t) {
        const double share = double(state.matchedFrames[t]) / state.frames[t];
        c.mostlyTracked += share > kMostlyTracked;
        c.partlyTracked += share >= kPartlyTracked && share <= kMostlyTracked;
        c.fragmentations += std::max(0, state.trackedStretches[t] - 1);
    }
    c.mostlyLost = static_cast<int>(ids) - c.mostlyTracked - c.partlyTracked;
    finishClear(c);
    return c;
}

}  // namespace tavo_eval
