// The evaluation measures on small sequences whose values follow from the
// definitions by hand: HOTA (Luiten et al.), IDF1 (Ristani et al.),
// CLEAR MOT as the MOTChallenge evaluator counts it, and the OTB curves.

#include "evaluation/evaluation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using tavo_eval::EvalRecord;
using tavo_eval::Evaluation;
using tavo_eval::evaluateSequence;
using tavo_eval::summarise;
using Records = std::vector<EvalRecord>;

constexpr double kTight = 1e-12;
constexpr double kSide = 10.0;  // every box is 10 x 10 pixels

EvalRecord box(int frame, int id, double x, double y = 0.0, double confidence = 1.0)
{
    return {frame, id, cv::Rect2d(x, y, kSide, kSide), confidence};
}

// Target `id` standing at x on frames first..last.
void still(Records& records, int id, double x, int first, int last)
{
    for (int f = first; f <= last; ++f)
        records.push_back(box(f, id, x));
}

// The OTB success curve of a target matched with overlap 1 on `share` of
// its frames: the overlap exceeds every threshold but the last (1).
double aucWithFullOverlapOn(double share)
{
    return share * 20.0 / 21.0;
}

TEST(EvaluationMeasures, TruthAgainstItselfScoresOneEverywhere)
{
    Records truth;
    still(truth, 1, 0, 1, 4);
    still(truth, 2, 100, 1, 4);
    Records result;  // the same boxes under other ids
    for (EvalRecord r : truth) {
        r.id += 10;
        result.push_back(r);
    }
    const auto row = summarise(evaluateSequence(truth, result));
    for (const double v : {row.hota, row.detA, row.assA, row.locA, row.hota0, row.idf1, row.idp, row.idr, row.mota,
                           row.motp, row.prec20, row.success50})
        EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_EQ(row.idsw, 0);
    EXPECT_EQ(row.mt, 2);
    EXPECT_EQ(row.pt + row.ml + row.frag, 0);
    // No overlap exceeds the last threshold, 1: a perfect AUC is 20/21.
    EXPECT_NEAR(row.auc, aucWithFullOverlapOn(1.0), kTight);
}

TEST(EvaluationMeasures, IdsSwappedHalfWay)
{
    // Result 7 follows target 1 on frames 1-2 and target 2 on 3-4; 8 the
    // other way round.
    Records truth, result;
    still(truth, 1, 0, 1, 4);
    still(truth, 2, 100, 1, 4);
    for (int f = 1; f <= 4; ++f) {
        result.push_back(box(f, 7, f <= 2 ? 0 : 100));
        result.push_back(box(f, 8, f <= 2 ? 100 : 0));
    }
    const Evaluation e = evaluateSequence(truth, result);
    const auto row = summarise(e);
    EXPECT_EQ(row.idsw, 2);
    EXPECT_NEAR(row.mota, (8.0 - 0 - 2) / 8, kTight);
    EXPECT_EQ(row.frag, 0);
    // Each truth id shares 2 of its 4 boxes with whichever result id.
    EXPECT_EQ(e.identity.idtp, 4);
    EXPECT_EQ(e.identity.idfp, 4);
    EXPECT_EQ(e.identity.idfn, 4);
    EXPECT_NEAR(row.idf1, 0.5, kTight);
    // Every box detected; each of the 4 pairs matches on 2 frames of ids
    // with 4 boxes each: alignment 2 / (4 + 4 - 2) for all 8 matches.
    EXPECT_NEAR(row.detA, 1.0, kTight);
    EXPECT_NEAR(row.assA, 1.0 / 3, kTight);
    EXPECT_NEAR(row.hota, std::sqrt(1.0 / 3), kTight);
    EXPECT_NEAR(row.locA, 1.0, kTight);
    // OTB: each target followed by one result id for half its frames.
    EXPECT_NEAR(row.success50, 0.5, kTight);
    EXPECT_NEAR(row.prec20, 0.5, kTight);
    EXPECT_NEAR(row.auc, aucWithFullOverlapOn(0.5), kTight);
}

TEST(EvaluationMeasures, ResultMissingOnHalfTheFrames)
{
    Records truth, result;
    still(truth, 1, 0, 1, 4);
    still(result, 5, 0, 1, 2);
    const Evaluation e = evaluateSequence(truth, result);
    const auto row = summarise(e);
    EXPECT_EQ(e.clear.truePositives, 2);
    EXPECT_EQ(e.clear.falseNegatives, 2);
    EXPECT_EQ(e.clear.falsePositives, 0);
    EXPECT_NEAR(row.mota, 0.5, kTight);
    EXPECT_NEAR(row.motp, 1.0, kTight);
    EXPECT_EQ(row.pt, 1);  // tracked on half its frames
    EXPECT_NEAR(row.idr, 0.5, kTight);
    EXPECT_NEAR(row.idp, 1.0, kTight);
    EXPECT_NEAR(row.idf1, 2.0 / 3, kTight);
    // DetA 2 / 4; the pair's 2 matches over 4 + 2 - 2 boxes: AssA 0.5.
    EXPECT_NEAR(row.detA, 0.5, kTight);
    EXPECT_NEAR(row.assA, 0.5, kTight);
    EXPECT_NEAR(row.hota, 0.5, kTight);
    EXPECT_NEAR(row.success50, 0.5, kTight);
    EXPECT_NEAR(row.prec20, 0.5, kTight);
}

TEST(EvaluationMeasures, FalsePositivesOnlyMakeMotaNegative)
{
    Records truth, result;
    still(truth, 1, 0, 1, 4);
    still(result, 3, 500, 1, 4);
    const Evaluation e = evaluateSequence(truth, result);
    const auto row = summarise(e);
    EXPECT_NEAR(row.mota, -1.0, kTight);  // (0 - 4 false positives) / 4 truth boxes
    EXPECT_EQ(row.motp, 0.0);
    EXPECT_EQ(row.ml, 1);
    EXPECT_EQ(e.identity.idfp, 4);
    EXPECT_EQ(e.identity.idfn, 4);
    EXPECT_EQ(row.idf1, 0.0);
    EXPECT_EQ(row.hota, 0.0);
    EXPECT_EQ(row.locA, 1.0);  // nothing matched: the evaluator's LocA is 1
    EXPECT_EQ(row.auc, 0.0);
    EXPECT_EQ(row.prec20, 0.0);
    ASSERT_EQ(e.targets.size(), 1u);
    EXPECT_FALSE(e.targets[0].followed);
}

TEST(EvaluationMeasures, EmptyResultMissesEverything)
{
    Records truth;
    still(truth, 1, 0, 1, 4);
    still(truth, 2, 100, 1, 4);
    const Evaluation e = evaluateSequence(truth, {});
    const auto row = summarise(e);
    EXPECT_EQ(e.clear.falseNegatives, 8);
    EXPECT_EQ(row.ml, 2);
    EXPECT_EQ(row.mota, 0.0);  // as the evaluator reports a sequence without results
    EXPECT_EQ(e.identity.idfn, 8);
    EXPECT_EQ(row.idf1, 0.0);
    EXPECT_EQ(row.hota, 0.0);
    EXPECT_EQ(row.locA, 1.0);
    EXPECT_EQ(row.auc, 0.0);
    EXPECT_EQ(row.prec20, 0.0);
}

TEST(EvaluationMeasures, PartialOverlapCountsOnlyUpToItsThreshold)
{
    // Shifted by 2 pixels: overlap 80 / 120 = 2/3, centre error 2.
    const Records truth = {box(1, 1, 0)}, result = {box(1, 4, 2)};
    const auto row = summarise(evaluateSequence(truth, result));
    // Matched at the 13 thresholds 0.05 ... 0.65, missed at the other 6.
    EXPECT_NEAR(row.hota, 13.0 / 19, kTight);
    EXPECT_NEAR(row.detA, 13.0 / 19, kTight);
    EXPECT_NEAR(row.assA, 13.0 / 19, kTight);
    EXPECT_NEAR(row.locA, (13 * (2.0 / 3) + 6 * 1.0) / 19, kTight);
    EXPECT_NEAR(row.hota0, 1.0, kTight);
    EXPECT_NEAR(row.motp, 2.0 / 3, kTight);  // an overlap, not a distance
    EXPECT_NEAR(row.mota, 1.0, kTight);
    // Above the thresholds 0, 0.05, ..., 0.65: 14 of 21.
    EXPECT_NEAR(row.auc, 14.0 / 21, kTight);
    EXPECT_NEAR(row.success50, 1.0, kTight);
    const Evaluation e = evaluateSequence(truth, result);
    EXPECT_EQ(e.targets[0].precision[1], 0.0);
    EXPECT_EQ(e.targets[0].precision[2], 1.0);
}

TEST(EvaluationMeasures, HotaMatchesByAlignmentBeforeOverlap)
{
    // Result 7 follows target 1 on frames 1-3.  On frame 4 target 2
    // appears beside 1 and 7 overlaps 2 more (95/105) than 1 (85/115): the
    // alignment of 7 with 1 over the sequence decides, and 7 stays with 1.
    Records truth, result;
    still(truth, 1, 0, 1, 4);
    truth.push_back(box(4, 2, 2));
    still(result, 7, 0, 1, 3);
    result.push_back(box(4, 7, 1.5));
    const Evaluation e = evaluateSequence(truth, result);
    const int lowAlpha = 9;  // 0.5: below both overlaps
    EXPECT_NEAR(e.hota.assA[lowAlpha], 1.0, kTight);
    EXPECT_NEAR(e.hota.detA[lowAlpha], 4.0 / 5, kTight);
    // From 0.75 on (5 thresholds) the frame-4 pair is no match: 3 matches,
    // 2 misses, 1 false positive; the pair matched 3 times of 4 + 4 boxes.
    const double high = std::sqrt(3.0 / 6 * (3.0 / (4 + 4 - 3)));
    EXPECT_NEAR(summarise(e).hota, (14 * std::sqrt(4.0 / 5) + 5 * high) / 19, kTight);
    // CLEAR keeps the previous frame's pair as well.
    EXPECT_EQ(e.clear.idSwitches, 0);
    EXPECT_EQ(e.clear.falseNegatives, 1);
}

TEST(EvaluationMeasures, FragmentationAndTrackedShare)
{
    // Target 1 on frames 1-5; its result is elsewhere on frame 3 (a false
    // positive), so the track resumes once.
    Records truth, result;
    still(truth, 1, 0, 1, 5);
    for (int f = 1; f <= 5; ++f)
        result.push_back(box(f, 5, f == 3 ? 500 : 0));
    auto row = summarise(evaluateSequence(truth, result));
    EXPECT_EQ(row.frag, 1);
    EXPECT_EQ(row.idsw, 0);
    EXPECT_NEAR(row.mota, (4.0 - 1) / 5, kTight);
    EXPECT_EQ(row.mt, 0);  // 4 of 5 frames is not more than 80 %
    EXPECT_EQ(row.pt, 1);
    // The evaluator does not break a track over frames without any result
    // box: with frame 3 empty, no fragmentation.
    result.erase(result.begin() + 2);
    row = summarise(evaluateSequence(truth, result));
    EXPECT_EQ(row.frag, 0);
}

TEST(EvaluationMeasures, ZeroConfidenceTruthIsIgnored)
{
    Records truth, result;
    still(truth, 1, 0, 1, 4);
    still(result, 1, 0, 1, 4);
    truth.push_back(box(2, 9, 300, 0, 0.0));  // a distractor
    auto row = summarise(evaluateSequence(truth, result));
    EXPECT_NEAR(row.mota, 1.0, kTight);
    EXPECT_NEAR(row.hota, 1.0, kTight);
    EXPECT_EQ(row.mt + row.pt + row.ml, 1);
    // A result box on it is a false positive like any other.
    result.push_back(box(2, 2, 300));
    row = summarise(evaluateSequence(truth, result));
    EXPECT_NEAR(row.mota, (4.0 - 1) / 4, kTight);
}

// A random sequence: `ids` targets wandering over `frames` frames, the
// result a noisy copy with ids sometimes changed and boxes dropped.
void randomSequence(std::mt19937& random, int frames, int ids, Records& truth, Records& result)
{
    std::uniform_real_distribution<double> step(-3, 3), noise(-2, 2), chance(0, 1);
    for (int id = 1; id <= ids; ++id) {
        double x = 30.0 * id, y = 20.0;
        int resultId = id;
        for (int f = 1; f <= frames; ++f) {
            x += step(random);
            y += step(random);
            truth.push_back(box(f, id, x, y));
            if (chance(random) < 0.1)
                resultId += 100;
            if (chance(random) < 0.8)
                result.push_back(box(f, resultId, x + noise(random), y + noise(random)));
        }
    }
}

Records shifted(Records records, int frames, int ids)
{
    for (EvalRecord& r : records) {
        r.frame += frames;
        r.id += ids;
    }
    return records;
}

TEST(EvaluationMeasures, CombiningSequencesEqualsScoringThemConcatenated)
{
    std::mt19937 random(7);
    Records truthA, resultA, truthB, resultB;
    randomSequence(random, 30, 4, truthA, resultA);
    randomSequence(random, 20, 3, truthB, resultB);
    const Evaluation combined =
        tavo_eval::combineSequences({evaluateSequence(truthA, resultA), evaluateSequence(truthB, resultB)});
    Records truth = truthA, result = resultA;
    const Records laterTruth = shifted(truthB, 30, 10000), laterResult = shifted(resultB, 30, 10000);
    truth.insert(truth.end(), laterTruth.begin(), laterTruth.end());
    result.insert(result.end(), laterResult.begin(), laterResult.end());
    const auto a = summarise(combined), b = summarise(evaluateSequence(truth, result));
    const double tolerance = 1e-9;
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{{a.hota, b.hota}, {a.detA, b.detA},
                                                                      {a.assA, b.assA}, {a.locA, b.locA},
                                                                      {a.hota0, b.hota0}, {a.idf1, b.idf1},
                                                                      {a.mota, b.mota}, {a.motp, b.motp},
                                                                      {a.auc, b.auc}, {a.prec20, b.prec20}})
        EXPECT_NEAR(x, y, tolerance);
    EXPECT_EQ(a.idsw, b.idsw);
    EXPECT_EQ(a.frag, b.frag);
    EXPECT_EQ(a.mt, b.mt);
    EXPECT_EQ(a.ml, b.ml);
    EXPECT_GT(a.idsw, 0);  // the sequences do test something
    EXPECT_LT(a.hota, 1.0);
}

TEST(EvaluationMeasures, OverlapFollowsTheEvaluatorsConvention)
{
    // Boxes span x .. x + w (no extra pixel); no area means no overlap.
    EXPECT_NEAR(tavo_eval::boxOverlap({0, 0, 10, 10}, {5, 0, 10, 10}), 50.0 / 150, kTight);
    EXPECT_EQ(tavo_eval::boxOverlap({0, 0, 10, 10}, {10, 0, 10, 10}), 0.0);
    EXPECT_EQ(tavo_eval::boxOverlap({0, 0, 0, 10}, {0, 0, 0, 10}), 0.0);
}

}  // namespace
