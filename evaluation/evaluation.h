#pragma once

// Scoring a tracker's result against ground truth: every measure and the
// OTB curves for one sequence, their combination over sequences, and the
// row of numbers a table shows.

#include "evaluation/measures.h"

#include <string>
#include <vector>

namespace tavo_eval {

struct Evaluation {
    HotaScores hota;
    IdentityScores identity;
    ClearScores clear;
    std::vector<TargetCurves> targets;
};

Evaluation evaluateSequence(const std::vector<EvalRecord>& truth, const std::vector<EvalRecord>& result);

// As the MOTChallenge evaluator combines sequences; the targets of all.
Evaluation combineSequences(const std::vector<Evaluation>& sequences);

// The numbers of one table row: fractions from 0 to 1 (MOTA may be
// negative), counts whole.
struct SummaryRow {
    double hota = 0, detA = 0, assA = 0, locA = 0, hota0 = 0;
    double idf1 = 0, idp = 0, idr = 0;
    double mota = 0, motp = 0;
    int idsw = 0, mt = 0, pt = 0, ml = 0, frag = 0;
    double auc = 0, prec20 = 0, success50 = 0;
};
SummaryRow summarise(const Evaluation& e);

// The mean curves over the targets (zero without targets).
struct MeanCurves {
    std::array<double, kSuccessSteps> success{};
    std::array<double, kPrecisionSteps> precision{};
};
MeanCurves meanCurves(const std::vector<TargetCurves>& targets);

// "HOTA,DetA,...,Success50": the row's column names, in order.
const std::vector<std::string>& summaryColumns();
// The row's values as text in that order: fractions with six decimals,
// counts whole.
std::vector<std::string> summaryFields(const SummaryRow& row);

}  // namespace tavo_eval
