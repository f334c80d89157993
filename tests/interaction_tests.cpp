// Overlap areas, neighbour detection and sampling tables.

#include "test_tracker.h"
#include "core/tavo.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

namespace {

Region box(int x, int y, int w, int h) { return Region::fromRect(cvRect(x, y, w, h)); }

void place(Sample& s, int x, int y, int w, int h) { place(s, cvRect(x, y, w, h)); }

}  // namespace

TEST(OverlapArea, CountsCommonPixelsWithInclusiveEdges)
{
    const Region a = box(0, 0, 10, 10);
    EXPECT_EQ(10, overlapArea(a, box(9, 0, 10, 10)));  // one shared column
    EXPECT_EQ(0, overlapArea(a, box(10, 0, 10, 10)));  // right + 1 == x: touching only
    EXPECT_EQ(10, overlapArea(a, box(0, 9, 10, 10)));  // one shared row
    EXPECT_EQ(0, overlapArea(a, box(0, 10, 10, 10)));
    EXPECT_EQ(1, overlapArea(a, box(9, 9, 5, 5)));     // one shared pixel
    EXPECT_EQ(4, overlapArea(a, box(-3, -3, 5, 5)));   // negative coordinates
    EXPECT_EQ(0, overlapArea(a, box(-5, -5, 5, 5)));

    const Region b = box(3, -2, 20, 6), c = box(-4, 1, 9, 30);
    EXPECT_EQ(6, overlapArea(b, c));
    EXPECT_EQ(6, overlapArea(c, b));
    EXPECT_EQ(120, overlapArea(b, b));
    EXPECT_EQ(100, overlapArea(box(0, 0, 20, 20), box(5, 5, 10, 10)));
    EXPECT_EQ(100, overlapArea(box(5, 5, 10, 10), box(0, 0, 20, 20)));
}

TEST(FindNeighbours, LoneTargetGetsItsCloudBoxAndResetVotesButNoNeighbours)
{
    TestTracker k(3, 4, 7);
    Target* t = k.add();
    place(k.sample(t, 0), 10, 20, 5, 6);  // columns 10..14, rows 20..25
    place(k.sample(t, 1), 4, 22, 3, 3);   // columns 4..6, rows 22..24
    place(k.sample(t, 2), 12, 18, 8, 4);  // columns 12..19, rows 18..21
    for (int i = 0; i < 3; ++i)
        k.sample(t, i).vote = 7.0f;
    t->neighbours.push_back(t);  // left over from an earlier frame
    k.tracker.selectTarget(t->firstSample, t);

    k.tracker.findNeighbours();

    EXPECT_TRUE(t->neighbours.empty());
    EXPECT_EQ(4, t->cloudBox.x);
    EXPECT_EQ(18, t->cloudBox.y);
    EXPECT_EQ(19, t->cloudBox.right);
    EXPECT_EQ(25, t->cloudBox.bottom);
    // The remaining fields are the first sample's.
    EXPECT_EQ(5, t->cloudBox.width);
    EXPECT_EQ(6, t->cloudBox.height);
    EXPECT_EQ(30, t->cloudBox.area);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(FLT_EPSILON, k.sample(t, i).vote);
    EXPECT_EQ(nullptr, k.tracker.currentTarget);
}

TEST(FindNeighbours, PairsOverlappingBoxesInListOrderButNeverEqualIds)
{
    TestTracker k(1, 5, 7);
    Target* a = k.add();
    Target* b = k.add();
    Target* c = k.add();
    Target* d = k.add();
    place(k.sample(a, 0), 0, 0, 10, 10);
    place(k.sample(b, 0), 9, 0, 10, 10);   // shares column 9 with a
    place(k.sample(c, 0), 5, 5, 10, 10);   // overlaps a and b
    place(k.sample(d, 0), 19, 0, 5, 5);    // touches b's last column only

    k.tracker.findNeighbours();
    EXPECT_EQ((std::vector<Target*>{b, c}), a->neighbours);
    EXPECT_EQ((std::vector<Target*>{a, c}), b->neighbours);
    EXPECT_EQ((std::vector<Target*>{a, b}), c->neighbours);
    EXPECT_TRUE(d->neighbours.empty());

    // Records with the same id never pair, however much they overlap.
    c->id = a->id;
    k.tracker.findNeighbours();
    EXPECT_EQ((std::vector<Target*>{b}), a->neighbours);
    EXPECT_EQ((std::vector<Target*>{a, c}), b->neighbours);
    EXPECT_EQ((std::vector<Target*>{b}), c->neighbours);
}

// The joint move changes only votes and weights, so one iteration after the
// tables are built leaves them as runJointStage made them.
TEST(SamplingTable, EntriesFollowCumulativeWeightsInStorageOrder)
{
    {
        TestTracker k(3, 2, 7);
        Target* t = k.add();
        Target* u = k.add();
        k.setWeights(t, {1, 0, 3});
        k.setWeights(u, {2, 1, 1});
        k.tracker.runJointStage(1);
        EXPECT_EQ((std::vector<int>{0, 0, 2, 2, 2, 2, 2, 0}), k.table(t));
        // The second target's entries lie in its own block.
        EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 1, 1, 2, 0}), k.table(u));
        EXPECT_EQ(nullptr, k.tracker.currentTarget);
    }
    {
        TestTracker k(4, 1, 3);
        Target* t = k.add();
        k.setWeights(t, {1, 1, 1, 1});
        k.tracker.runJointStage(1);
        EXPECT_EQ((std::vector<int>{0, 1, 2, 0}), k.table(t));
    }
    {
        TestTracker k(3, 1, 7);
        Target* t = k.add();
        k.setWeights(t, {0, 0, 0});
        k.tracker.runJointStage(1);
        EXPECT_EQ(std::vector<int>(8, 0), k.table(t));
    }
    {
        TestTracker k(1, 1, 7);
        Target* t = k.add();
        k.setWeights(t, {0.3f});
        k.tracker.runJointStage(1);
        EXPECT_EQ(std::vector<int>(8, 0), k.table(t));
    }
}

TEST(RunJointStage, OnlyMinusOneAndPositiveCountsRunTheStage)
{
    TestTracker k(3, 2, 7);
    Target* t = k.add();
    Target* u = k.add();
    k.setWeights(t, {1, 2, 3});
    k.setWeights(u, {3, 2, 1});
    place(k.sample(t, 0), 0, 0, 5, 5);
    place(k.sample(u, 0), 50, 50, 5, 5);
    const std::vector<Sample> before(k.tracker.samples, k.tracker.samples + 6);
    const uint64_t state0 = k.tracker.jointPool.states[0];

    k.tracker.runJointStage(0);
    k.tracker.runJointStage(-2);
    EXPECT_EQ(0, std::memcmp(before.data(), k.tracker.samples, sizeof(Sample) * 6));
    for (const Target* x : {t, u})
        for (int e = 0; e < x->tableSize; ++e)
            EXPECT_EQ(nullptr, x->samplingTable[e]);
    EXPECT_EQ(state0, k.tracker.jointPool.states[0]);

    // -1 stands for 5000 iterations: the pool state moves 5000 steps and,
    // without neighbours, every iteration adds one vote.
    k.tracker.runJointStage(-1);
    uint64_t expected = state0;
    for (int i = 0; i < 5000; ++i)
        expected = stepGenerator(expected);
    EXPECT_EQ(expected, k.tracker.jointPool.states[0]);
    double votes = 0;
    for (int i = 0; i < 3; ++i)
        votes += k.sample(t, i).vote;
    EXPECT_NEAR(5000.0, votes, 1e-3);
}
