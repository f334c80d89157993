// A run's scoring against ground truth (tavo-track --gt, tavo.score) with
// the measures tavo-eval gives: the boxes as the result file writes them,
// lost targets claiming no box, only the frames tracked, and a ground
// truth that tavo-eval would refuse.  Values follow from the definitions.

#include "evaluation/scoring.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tavo_eval;

namespace {

constexpr double kTight = 1e-12;

MotRecord truth(int frame, int id, double x, double y = 0)
{
    MotRecord r;
    r.frame = frame;
    r.id = id;
    r.box = RealBox{x, y, 10, 10};
    return r;
}

RealBox box(double x, double y = 0) { return RealBox{x, y, 10, 10}; }

// Object 1 standing at x = 0 on frames 1..4.
GroundTruth standingObject()
{
    GroundTruth gt;
    for (int f = 1; f <= 4; ++f)
        gt[f].push_back(truth(f, 1, 0));
    return gt;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

}  // namespace

// A target on its object on every frame scores 1 everywhere; its box is
// scored as the result file gives it, to two decimals, so a box 0.004
// pixels off overlaps fully.
TEST(RunScoring, ATargetOnItsObjectScoresOneEverywhere)
{
    Scorer scorer(standingObject(), {1});
    for (int f = 1; f <= 4; ++f)
        scorer.addFrame(f, {box(0.004, -0.004)});
    const ScoreReport r = scorer.report();
    ASSERT_TRUE(r.measures);
    const tavo_eval::SummaryRow& m = *r.measures;
    for (const double v : {m.hota, m.detA, m.assA, m.locA, m.hota0, m.idf1, m.idp, m.idr, m.prec20})
        EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_NEAR(m.auc, 20.0 / 21.0, kTight) << "an overlap of 1 exceeds every threshold but 1";
    EXPECT_EQ(m.mt, 1);
    EXPECT_EQ(m.pt + m.ml + m.frag, 0);
}

// Lost on two of four frames: no box there, as in the result file, so the
// object is missed twice.  DetA = 2 / 4; AssA = 2 / (2 + 2 + 0); HOTA =
// sqrt(DetA AssA); IDF1 = 2 IDTP / (4 truths + 2 results).
TEST(RunScoring, ALostTargetClaimsNoBox)
{
    Scorer scorer(standingObject(), {1});
    for (int f = 1; f <= 4; ++f)
        scorer.addFrame(f, {box(0)}, {static_cast<char>(f > 2)});
    const tavo_eval::SummaryRow m = *scorer.report().measures;
    EXPECT_NEAR(m.detA, 0.5, kTight);
    EXPECT_NEAR(m.assA, 0.5, kTight);
    EXPECT_NEAR(m.hota, 0.5, kTight);
    EXPECT_NEAR(m.idf1, 4.0 / 6.0, kTight);
    EXPECT_NEAR(m.idp, 1.0, kTight);
    EXPECT_EQ(m.pt, 1) << "tracked on half its frames";
    EXPECT_NEAR(m.prec20, 0.5, kTight) << "a frame without a box counts as an infinite error";
}

// A run over frames 2 and 3 is scored on those frames alone, as the rest of
// the report is: the object's boxes on frames 1 and 4 are no misses.
TEST(RunScoring, OnlyTheFramesTrackedAreScored)
{
    Scorer scorer(standingObject(), {1});
    scorer.addFrame(2, {box(0)});
    scorer.addFrame(3, {box(0)});
    const tavo_eval::SummaryRow m = *scorer.report().measures;
    EXPECT_DOUBLE_EQ(m.hota, 1.0);
    EXPECT_DOUBLE_EQ(m.idr, 1.0);
}

// An id twice on a frame (which tavo-eval refuses) leaves the measures out
// and the report says why, instead of scoring a zero; the heading, the
// table and the CLEAR-MOT line are as before, CLEAR-MOT last.
TEST(RunScoring, TheReportAddsTheMeasuresBeforeTheTable)
{
    GroundTruth repeated = standingObject();
    repeated[3].push_back(truth(3, 1, 40));
    Scorer refused(repeated, {1});
    for (int f = 1; f <= 4; ++f)
        refused.addFrame(f, {box(0)});
    const ScoreReport r = refused.report();
    EXPECT_FALSE(r.measures);
    const auto refusedLines = lines(formatReport(r, "gt.txt"));
    EXPECT_EQ(refusedLines[1].rfind("HOTA, identity, tracks and OTB curves: not computed, the ground truth gives an "
                                    "id twice on a frame", 0),
              0u);

    Scorer scorer(standingObject(), {1});
    for (int f = 1; f <= 4; ++f)
        scorer.addFrame(f, {box(0)}, {static_cast<char>(f > 2)});
    const auto text = lines(formatReport(scorer.report(), "gt.txt"));
    ASSERT_EQ(text.size(), 9u);
    EXPECT_EQ(text[0], "score against gt.txt, frames 1 to 4");
    EXPECT_EQ(text[1], "HOTA: HOTA 0.500000, DetA 0.500000, AssA 0.500000, LocA 1.000000, HOTA0 0.500000");
    EXPECT_EQ(text[2], "identity: IDF1 0.666667, IDP 1.000000, IDR 0.500000");
    EXPECT_EQ(text[3], "tracks: MT 0, PT 1, ML 0, Frag 0");
    EXPECT_EQ(text[4].rfind("OTB curves: AUC ", 0), 0u);
    EXPECT_EQ(text[5], "target  frames  mean error  max error  success  confusions");
    EXPECT_EQ(text[7].rfind("   all", 0), 0u);
    EXPECT_EQ(text[8].rfind("CLEAR-MOT: MOTA 0.500", 0), 0u);
}
