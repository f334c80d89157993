#pragma once

// The measures trackers are compared by, each as the MOTChallenge
// evaluator (TrackEval) computes it for one sequence, and combined over
// sequences as it combines them.

#include "evaluation/records.h"

#include <array>
#include <vector>

namespace tavo_eval {

// HOTA is computed at the localisation thresholds 0.05, 0.10, ..., 0.95.
constexpr int kAlphaCount = 19;
double alphaThreshold(int index);

struct HotaScores {
    using PerAlpha = std::array<double, kAlphaCount>;
    PerAlpha truePositives{}, falseNegatives{}, falsePositives{};
    PerAlpha assA{}, locA{};  // association and localisation accuracy
    PerAlpha detA{}, hota{};  // from the above (finishHota)
};

// The measures at every threshold from the counts and assA/locA.
void finishHota(HotaScores& h);
HotaScores hotaScores(const SequenceBoxes& s);
// Counts summed, AssA and LocA weighted by each sequence's true positives.
HotaScores combineHota(const std::vector<HotaScores>& parts);

struct IdentityScores {
    int idtp = 0, idfp = 0, idfn = 0;
    double idf1 = 0.0, idp = 0.0, idr = 0.0;
};
void finishIdentity(IdentityScores& s);
IdentityScores identityScores(const SequenceBoxes& s);

struct ClearScores {
    int truePositives = 0, falseNegatives = 0, falsePositives = 0;
    int idSwitches = 0, mostlyTracked = 0, partlyTracked = 0, mostlyLost = 0, fragmentations = 0;
    double overlapSum = 0.0;          // of the matched pairs
    double mota = 0.0, motp = 0.0;    // MOTP: mean overlap of the matched pairs
};
void finishClear(ClearScores& s);
ClearScores clearScores(const SequenceBoxes& s);

// OTB curves of one ground-truth target, followed by the result id that
// overlaps it most over the sequence (one result id per target at most).
constexpr int kSuccessSteps = 21;    // overlap thresholds 0, 0.05, ..., 1
constexpr int kPrecisionSteps = 51;  // centre-error thresholds 0, 1, ..., 50 pixels
constexpr int kPrecisionReported = 20;
constexpr int kSuccessReported = 10;  // the threshold 0.5

struct TargetCurves {
    int truthId = 0;
    int resultId = 0;  // 0 with `followed` false
    bool followed = false;
    int frames = 0;    // frames holding the target's truth
    std::array<double, kSuccessSteps> success{};      // share of frames with overlap > threshold
    std::array<double, kPrecisionSteps> precision{};  // share with centre error <= threshold
};
double successThreshold(int index);
std::vector<TargetCurves> targetCurves(const SequenceBoxes& s);

}  // namespace tavo_eval
