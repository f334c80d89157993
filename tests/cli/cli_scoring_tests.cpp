// Scoring against ground truth: overlap, the optimal assignment, the
// per-target measures and the CLEAR-MOT counts, and the picture of the
// errors: its frame ticks and its legend.

#include "evaluation/assignment.h"
#include "programs/track/error_plot.h"
#include "evaluation/scoring.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <numeric>
#include <random>

using namespace tavo_cli;
using namespace tavo_eval;

namespace {

MotRecord truth(int frame, int id, double x, double y, double w = 10, double h = 10)
{
    MotRecord r;
    r.frame = frame;
    r.id = id;
    r.box = RealBox{x, y, w, h};
    return r;
}

RealBox box(double x, double y, double w = 10, double h = 10) { return RealBox{x, y, w, h}; }

// The least total cost over all ways to pair min(rows, columns) rows and columns.
double bruteForceMinimum(const std::vector<std::vector<double>>& cost)
{
    const size_t rows = cost.size(), columns = cost[0].size();
    std::vector<int> perm(std::max(rows, columns));
    std::iota(perm.begin(), perm.end(), 0);
    double best = 1e300;
    do {
        double sum = 0;
        for (size_t r = 0; r < rows; ++r)
            if (perm[r] < static_cast<int>(columns))
                sum += cost[r][perm[r]];
        best = std::min(best, sum);
    } while (std::next_permutation(perm.begin(), perm.end()));
    return best;
}

}  // namespace

TEST(CliScoring, OverlapAndCentreDistance)
{
    EXPECT_DOUBLE_EQ(intersectionOverUnion(box(0, 0), box(0, 0)), 1.0);
    EXPECT_DOUBLE_EQ(intersectionOverUnion(box(0, 0), box(5, 0)), 50.0 / 150.0);
    EXPECT_DOUBLE_EQ(intersectionOverUnion(box(0, 0), box(10, 0)), 0.0);  // touching edges share nothing
    EXPECT_DOUBLE_EQ(intersectionOverUnion(box(0, 0, 20, 20), box(5, 5)), 0.25);
    EXPECT_DOUBLE_EQ(centreDistance(box(0, 0), box(3, 4)), 5.0);
    EXPECT_DOUBLE_EQ(centreDistance(box(0, 0, 20, 20), box(5, 5)), 0.0);
}

TEST(CliScoring, AssignmentIsOptimalForEveryShape)
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(0.0, 10.0);
    for (int trial = 0; trial < 200; ++trial) {
        const size_t rows = 1 + random() % 5, columns = 1 + random() % 5;
        std::vector<std::vector<double>> cost(rows, std::vector<double>(columns));
        for (auto& row : cost)
            for (double& c : row)
                c = trial % 3 == 0 ? std::floor(value(random) / 4) : value(random);  // ties, too
        const std::vector<int> pick = tavo_eval::minimumCostAssignment(cost);
        ASSERT_EQ(pick.size(), rows);
        double sum = 0;
        std::vector<int> used(columns, 0);
        size_t pairs = 0;
        for (size_t r = 0; r < rows; ++r) {
            if (pick[r] < 0)
                continue;
            ASSERT_LT(pick[r], static_cast<int>(columns));
            EXPECT_EQ(used[pick[r]]++, 0) << "column used twice";
            sum += cost[r][pick[r]];
            ++pairs;
        }
        EXPECT_EQ(pairs, std::min(rows, columns));
        EXPECT_NEAR(sum, bruteForceMinimum(cost), 1e-9);
    }
    EXPECT_TRUE(tavo_eval::minimumCostAssignment({}).empty());
}

TEST(CliScoring, PerTargetErrorSuccessAndConfusion)
{
    GroundTruth gt = groupByFrame({truth(1, 1, 0, 0), truth(1, 2, 30, 0), truth(2, 1, 0, 0), truth(2, 2, 30, 0),
                                   truth(3, 2, 30, 0)});
    Scorer scorer(gt, {1, 2});
    scorer.addFrame(1, {box(0, 0), box(34, 3)});   // errors 0 and 5; the second overlaps too little
    scorer.addFrame(2, {box(20, 0), box(30, 0)});  // target 1 nearer to object 2: confused
    scorer.addFrame(3, {box(0, 0), box(30, 0)});   // object 1 absent: target 1 not scored
    const ScoreReport r = scorer.report();
    EXPECT_EQ(r.firstFrame, 1);
    EXPECT_EQ(r.lastFrame, 3);
    ASSERT_EQ(r.targets.size(), 2u);
    EXPECT_EQ(r.targets[0].frames, 2);
    EXPECT_DOUBLE_EQ(r.targets[0].meanError, 10.0);
    EXPECT_DOUBLE_EQ(r.targets[0].maxError, 20.0);
    EXPECT_DOUBLE_EQ(r.targets[0].successRate, 0.5);
    EXPECT_EQ(r.targets[0].confusions, 1);
    EXPECT_EQ(r.targets[1].frames, 3);
    EXPECT_DOUBLE_EQ(r.targets[1].maxError, 5.0);
    EXPECT_DOUBLE_EQ(r.targets[1].successRate, 2.0 / 3.0);
    EXPECT_EQ(r.targets[1].confusions, 0);
    EXPECT_EQ(r.overall.frames, 5);
    EXPECT_DOUBLE_EQ(r.overall.meanError, 25.0 / 5);
    EXPECT_DOUBLE_EQ(r.overall.successRate, 3.0 / 5);
    EXPECT_EQ(r.overall.confusions, 1);

    // The same scores frame by frame, for the error plot: only the frames
    // in which the target's object is there.
    const auto& frames = scorer.frameScores();
    EXPECT_EQ(scorer.trackerIds(), (std::vector<int>{1, 2}));
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[0].size(), 2u);
    EXPECT_EQ(frames[0][1].frame, 2);
    EXPECT_DOUBLE_EQ(frames[0][1].error, 20.0);
    EXPECT_DOUBLE_EQ(frames[0][1].overlap, 0.0);
    ASSERT_EQ(frames[1].size(), 3u);
    EXPECT_EQ(frames[1][0].frame, 1);
    EXPECT_DOUBLE_EQ(frames[1][0].error, 5.0);
    EXPECT_DOUBLE_EQ(frames[1][0].overlap, 42.0 / 158.0);
    EXPECT_EQ(frames[1][2].frame, 3);
    EXPECT_DOUBLE_EQ(frames[1][2].overlap, 1.0);
}

TEST(CliScoring, ClearMotCountsMissesFalsePositivesAndSwitches)
{
    GroundTruth gt;
    for (int f = 1; f <= 4; ++f) {
        gt[f].push_back(truth(f, 1, 0, 0));
        gt[f].push_back(truth(f, 2, 100, 0));
    }
    Scorer scorer(gt, {1, 2});
    scorer.addFrame(1, {box(0, 0), box(100, 0)});   // two matches
    scorer.addFrame(2, {box(100, 0), box(0, 0)});   // identities swapped: two switches
    scorer.addFrame(3, {box(50, 50), box(0, 0)});   // object 2 missed, one false positive
    scorer.addFrame(4, {box(101, 0), box(0, 0)});   // object 2 found again by the same target
    const ClearMot m = scorer.report().mot;
    EXPECT_EQ(m.objects, 8);
    EXPECT_EQ(m.matches, 7);
    EXPECT_EQ(m.misses, 1);
    EXPECT_EQ(m.falsePositives, 1);
    EXPECT_EQ(m.idSwitches, 2);
    EXPECT_DOUBLE_EQ(m.mota, 1.0 - 4.0 / 8.0);
    EXPECT_NEAR(m.motp, (6.0 + 90.0 / 110.0) / 7.0, 1e-12);
}

TEST(CliScoring, ClearMotKeepsAPairThatStillOverlaps)
{
    // In frame 2 target 2 fits object 1 better, but target 1 still overlaps
    // it enough: the pair is kept, so there is no switch and target 2 is a
    // false positive.
    GroundTruth gt = groupByFrame({truth(1, 1, 0, 0), truth(2, 1, 0, 0)});
    Scorer scorer(gt, {1, 2});
    scorer.addFrame(1, {box(0, 0), box(200, 200)});
    scorer.addFrame(2, {box(2, 0), box(0, 0)});
    const ClearMot m = scorer.report().mot;
    EXPECT_EQ(m.matches, 2);
    EXPECT_EQ(m.idSwitches, 0);
    EXPECT_EQ(m.falsePositives, 2);
    EXPECT_NEAR(m.motp, (1.0 + 80.0 / 120.0) / 2.0, 1e-12);
}

TEST(CliScoring, ALostTargetClaimsNoBox)
{
    // Target 1 is lost on frame 2 with its kept box on its object, target 2
    // is lost on frame 2 where no object is: a failure and a miss for the
    // first, nothing at all for the second, and no confusion either way.
    GroundTruth gt = groupByFrame({truth(1, 1, 0, 0), truth(2, 1, 0, 0), truth(2, 2, 12, 0)});
    Scorer scorer(gt, {1, 2});
    scorer.addFrame(1, {box(0, 0), box(200, 200)}, {0, 0});
    scorer.addFrame(2, {box(0, 0), box(200, 200)}, {1, 1});
    const ScoreReport r = scorer.report();
    EXPECT_EQ(r.targets[0].frames, 2);
    EXPECT_DOUBLE_EQ(r.targets[0].successRate, 0.5);
    EXPECT_EQ(r.targets[0].confusions, 0);
    EXPECT_EQ(r.mot.matches, 1);
    EXPECT_EQ(r.mot.misses, 2);
    EXPECT_EQ(r.mot.falsePositives, 1) << "target 2 on frame 1 only";
}

TEST(CliScoring, ReportShowsEveryTargetAndTheTotals)
{
    GroundTruth gt = groupByFrame({truth(1, 1, 0, 0)});
    Scorer scorer(gt, {1, 2});
    scorer.addFrame(1, {box(0, 0), box(50, 50)});
    const std::string text = formatReport(scorer.report(), "gt.txt");
    EXPECT_NE(text.find("gt.txt, frames 1 to 1"), std::string::npos) << text;
    EXPECT_NE(text.find("\n     1       1        0.00       0.00    1.000           0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n     2       0           -"), std::string::npos) << text;
    EXPECT_NE(text.find("\n   all       1"), std::string::npos) << text;
    EXPECT_NE(text.find("MOTA 0.000, MOTP 1.000, ID switches 0"), std::string::npos) << text;
}

// The frame axis of the error picture is ticked at whole frames only, as
// far apart as tickStep says when that is more than a frame.
TEST(ErrorPlot, FramesAreTickedWhole)
{
    EXPECT_EQ(frameTicks(1, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(frameTicks(5, 6), (std::vector<int>{5, 6}));
    EXPECT_EQ(frameTicks(1, 500), (std::vector<int>{100, 200, 300, 400, 500}));
}

// Large ids and errors are written whole in the legend, and the legend
// stays on the picture.
TEST(ErrorPlot, TheLegendShowsLargeNumbersWhole)
{
    const int id = 2147483647;
    std::vector<FrameScore> scores{{1, 123456.5, 0.0}, {2, 123456.5, 0.0}};
    EXPECT_EQ(legendEntry(id, scores), "2147483647  123456.50 px");
    EXPECT_EQ(legendEntry(7, {}), "7  -");

    const cv::Mat picture = drawErrorPlot({id}, {scores});
    // Nothing is drawn in the last column: no text runs off the picture.
    cv::Mat lastColumn;
    cv::cvtColor(picture.col(picture.cols - 1), lastColumn, cv::COLOR_BGR2GRAY);
    double darkest = 0.0;
    cv::minMaxLoc(lastColumn, &darkest);
    EXPECT_EQ(darkest, 255.0) << "the legend is cut at the picture's edge";
}
