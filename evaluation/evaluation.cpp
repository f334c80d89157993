#include "evaluation/evaluation.h"

#include <cstdio>
#include <numeric>

namespace tavo_eval {

namespace {

template <size_t N>
double mean(const std::array<double, N>& values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / N;
}

std::string fraction(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

}  // namespace

Evaluation evaluateSequence(const std::vector<EvalRecord>& truth, const std::vector<EvalRecord>& result)
{
    const SequenceBoxes s = arrangeSequence(truth, result);
    return Evaluation{hotaScores(s), identityScores(s), clearScores(s), targetCurves(s)};
}

Evaluation combineSequences(const std::vector<Evaluation>& sequences)
{
    Evaluation all;
    std::vector<HotaScores> hota;
    for (const Evaluation& e : sequences) {
        hota.push_back(e.hota);
        all.identity.idtp += e.identity.idtp;
        all.identity.idfp += e.identity.idfp;
        all.identity.idfn += e.identity.idfn;
        ClearScores& c = all.clear;
        c.truePositives += e.clear.truePositives;
        c.falseNegatives += e.clear.falseNegatives;
        c.falsePositives += e.clear.falsePositives;
        c.idSwitches += e.clear.idSwitches;
        c.mostlyTracked += e.clear.mostlyTracked;
        c.partlyTracked += e.clear.partlyTracked;
        c.mostlyLost += e.clear.mostlyLost;
        c.fragmentations += e.clear.fragmentations;
        c.overlapSum += e.clear.overlapSum;
        all.targets.insert(all.targets.end(), e.targets.begin(), e.targets.end());
    }
    all.hota = combineHota(hota);
    finishIdentity(all.identity);
    finishClear(all.clear);
    return all;
}

MeanCurves meanCurves(const std::vector<TargetCurves>& targets)
{
    MeanCurves m;
    if (targets.empty())
        return m;
    for (const TargetCurves& t : targets) {
        for (int k = 0; k < kSuccessSteps; ++k)
            m.success[k] += t.success[k];
        for (int k = 0; k < kPrecisionSteps; ++k)
            m.precision[k] += t.precision[k];
    }
    for (double& v : m.success)
        v /= targets.size();
    for (double& v : m.precision)
        v /= targets.size();
    return m;
}

SummaryRow summarise(const Evaluation& e)
{
    SummaryRow r;
    r.hota = mean(e.hota.hota);
    r.detA = mean(e.hota.detA);
    r.assA = mean(e.hota.assA);
    r.locA = mean(e.hota.locA);
    r.hota0 = e.hota.hota[0];
    r.idf1 = e.identity.idf1;
    r.idp = e.identity.idp;
    r.idr = e.identity.idr;
    r.mota = e.clear.mota;
    r.motp = e.clear.motp;
    r.idsw = e.clear.idSwitches;
    r.mt = e.clear.mostlyTracked;
    r.pt = e.clear.partlyTracked;
    r.ml = e.clear.mostlyLost;
    r.frag = e.clear.fragmentations;
    const MeanCurves curves = meanCurves(e.targets);
    r.auc = mean(curves.success);
    r.prec20 = curves.precision[kPrecisionReported];
    r.success50 = curves.success[kSuccessReported];
    return r;
}

const std::vector<std::string>& summaryColumns()
{
    static const std::vector<std::string> columns = {"HOTA", "DetA", "AssA", "LocA", "HOTA0", "IDF1",
                                                     "IDP",  "IDR",  "MOTA", "MOTP", "IDSW",  "MT",
                                                     "PT",   "ML",   "Frag", "AUC",  "Prec20", "Success50"};
    return columns;
}

std::vector<std::string> summaryFields(const SummaryRow& r)
{
    return {fraction(r.hota), fraction(r.detA), fraction(r.assA), fraction(r.locA), fraction(r.hota0),
            fraction(r.idf1), fraction(r.idp),  fraction(r.idr),  fraction(r.mota), fraction(r.motp),
            std::to_string(r.idsw), std::to_string(r.mt), std::to_string(r.pt), std::to_string(r.ml),
            std::to_string(r.frag), fraction(r.auc), fraction(r.prec20), fraction(r.success50)};
}

}  // namespace tavo_eval
