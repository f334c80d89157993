// The joint sampling move: draws, pair factors and re-weighting.

#include "test_tracker.h"
#include "core/tavo.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

float afterAdding(double g) { return static_cast<float>(static_cast<double>(FLT_EPSILON) + g); }

// Targets of two samples each whose tables all refer to their first sample,
// placed on `rects` and listing each other as neighbours.  Returns the votes
// of the first samples after one iteration.
std::vector<float> votesAfterOneIteration(const std::vector<CvRect>& rects)
{
    TestTracker k(2, 4, 7);
    std::vector<Target*> ts;
    for (size_t i = 0; i < rects.size(); ++i) {
        Target* t = k.add();
        place(k.sample(t, 0), rects[i]);
        place(k.sample(t, 1), cvRect(200 + 20 * static_cast<int>(i), 200, 10, 10));
        for (int j = 0; j < 2; ++j) {
            k.sample(t, j).likelihood = 1.0f;
            k.sample(t, j).vote = FLT_EPSILON;
        }
        // All the weight on the first sample: every entry refers to it.
        k.sample(t, 0).weight = 1.0f;
        k.sample(t, 1).weight = 0.0f;
        t->drawTable.fill(k.tracker.tableMask, &k.sample(t, 0), 2);
        for (int e = 0; e < t->tableSize; ++e)
            EXPECT_EQ(&k.sample(t, 0), t->drawTable.sampleAt(static_cast<uint32_t>(e)));
        ts.push_back(t);
    }
    for (Target* a : ts)
        for (Target* b : ts)
            if (a != b)
                a->neighbours.push_back(b);

    k.tracker.jointMove(1);

    std::vector<float> votes;
    for (Target* t : ts) {
        EXPECT_EQ(&k.sample(t, 0), t->chosen);
        EXPECT_EQ(FLT_EPSILON, k.sample(t, 1).vote);  // never drawn
        votes.push_back(k.sample(t, 0).vote);
    }
    return votes;
}

// Runs `iterations` iterations on targets without neighbours and checks
// that target i draws from state i of the joint pool, each draw adding 1.
void expectOneVotePerDraw(TestTracker& k, int iterations)
{
    const auto& targets = k.tracker.targets;
    std::vector<uint64_t> states(k.tracker.jointPool.states, k.tracker.jointPool.states + targets.size());
    std::vector<std::vector<float>> votes;
    std::vector<Sample*> last(targets.size());
    for (const auto& t : targets) {
        votes.emplace_back();
        for (int i = 0; i < t->sampleCount; ++i)
            votes.back().push_back(k.sample(t.get(), i).vote);
    }
    for (int it = 0; it < iterations; ++it)
        for (size_t i = 0; i < targets.size(); ++i) {
            states[i] = stepGenerator(states[i]);
            const uint32_t index = static_cast<uint32_t>(states[i]) & static_cast<uint32_t>(k.tracker.tableMask);
            last[i] = targets[i]->drawTable.sampleAt(index);
            float& v = votes[i][last[i] - &k.tracker.samples[targets[i]->firstSample]];
            v = static_cast<float>(static_cast<double>(v) + 1.0);
        }

    k.tracker.jointMove(iterations);

    for (size_t i = 0; i < targets.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(states[i], k.tracker.jointPool.states[i]);
        EXPECT_EQ(last[i], targets[i]->chosen);
        double sum = 0;
        for (int j = 0; j < targets[i]->sampleCount; ++j) {
            EXPECT_EQ(votes[i][j], k.sample(targets[i].get(), j).vote);
            sum += k.sample(targets[i].get(), j).weight;
        }
        EXPECT_NEAR(1.0, sum, 1e-6);
    }
}

}  // namespace

TEST(JointMove, WithoutIterationsWeightsMixEqualVoteSharesWithLikelihoodShares)
{
    TestTracker k(3, 2, 7);
    Target* a = k.add();
    Target* b = k.add();
    const float la[] = {1, 2, 5}, lb[] = {0.5f, 0.25f, 0.25f};
    for (int i = 0; i < 3; ++i) {
        place(k.sample(a, i), cvRect(0, 0, 10, 10));
        place(k.sample(b, i), cvRect(5, 0, 10, 10));
        k.sample(a, i).likelihood = la[i];
        k.sample(b, i).likelihood = lb[i];
    }
    k.tracker.findNeighbours();
    const uint64_t state0 = k.tracker.jointPool.states[0];

    for (int iterations : {0, -3}) {
        k.tracker.jointMove(iterations);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(static_cast<float>(1.0 / 3 * 0.5 + la[i] / 8.0 * 0.5), k.sample(a, i).weight);
            EXPECT_EQ(static_cast<float>(1.0 / 3 * 0.5 + lb[i] / 1.0 * 0.5), k.sample(b, i).weight);
            EXPECT_EQ(FLT_EPSILON, k.sample(a, i).vote);
            EXPECT_EQ(la[i], k.sample(a, i).likelihood);
        }
    }
    EXPECT_EQ(state0, k.tracker.jointPool.states[0]);
    EXPECT_EQ(nullptr, k.tracker.currentTarget);
}

TEST(JointMove, DrawsWithoutNeighboursAddExactlyOneFromTheTargetsOwnState)
{
    {
        TestTracker k(4, 1, 15);
        Target* t = k.add();
        for (int i = 0; i < 4; ++i)
            k.sample(t, i).weight = k.sample(t, i).likelihood = static_cast<float>(i + 1);
        k.tracker.runJointStage(1);  // builds the table
        k.tracker.findNeighbours();  // resets the votes
        expectOneVotePerDraw(k, 20);
    }
    {
        // Two far-apart targets: each uses only its own pool state.
        TestTracker k(3, 2, 31);
        Target* a = k.add();
        Target* b = k.add();
        for (int i = 0; i < 3; ++i) {
            place(k.sample(a, i), cvRect(0, 0, 10, 10));
            place(k.sample(b, i), cvRect(100, 0, 10, 10));
            k.sample(a, i).weight = k.sample(a, i).likelihood = static_cast<float>(i + 1);
            k.sample(b, i).weight = k.sample(b, i).likelihood = static_cast<float>(3 - i);
        }
        k.tracker.runJointStage(1);
        k.tracker.findNeighbours();
        ASSERT_TRUE(a->neighbours.empty());
        expectOneVotePerDraw(k, 30);
    }
}

TEST(JointMove, OverlappingDrawsScaleTheVoteByExpOfMinus64RSquared)
{
    // Two 10 x 10 draws overlapping by 50 pixels: r = 0.5 for both.
    std::vector<float> v = votesAfterOneIteration({cvRect(0, 0, 10, 10), cvRect(5, 0, 10, 10)});
    EXPECT_EQ(afterAdding(std::exp(-16.0)), v[0]);
    EXPECT_EQ(afterAdding(std::exp(-16.0)), v[1]);
    EXPECT_NEAR(1.13e-7, v[0] - FLT_EPSILON, 0.01e-7);

    // 10 x 10 inside 20 x 20: r = 1 for the small one, 0.25 for the large one.
    v = votesAfterOneIteration({cvRect(5, 5, 10, 10), cvRect(0, 0, 20, 20)});
    EXPECT_EQ(afterAdding(std::exp(-64.0)), v[0]);
    EXPECT_EQ(afterAdding(std::exp(-4.0)), v[1]);
    EXPECT_NEAR(0.0183, v[1], 0.0001);

    // Touching draws leave the factor at 1; a single shared pixel does not.
    v = votesAfterOneIteration({cvRect(0, 0, 10, 10), cvRect(10, 0, 10, 10)});
    EXPECT_EQ(afterAdding(1.0), v[0]);
    EXPECT_EQ(afterAdding(1.0), v[1]);
    v = votesAfterOneIteration({cvRect(0, 0, 10, 10), cvRect(9, 9, 10, 10)});
    const double r = 1.0 / 100;
    EXPECT_EQ(afterAdding(std::exp(r * r * (-8) * 8)), v[0]);
    EXPECT_LT(v[0], 1.0f);

    // Factors of several overlapping neighbours multiply.
    v = votesAfterOneIteration({cvRect(0, 0, 10, 10), cvRect(5, 0, 10, 10), cvRect(0, 5, 10, 10)});
    EXPECT_EQ(afterAdding(std::exp(-16.0) * std::exp(-16.0)), v[0]);
    EXPECT_EQ(afterAdding(std::exp(-16.0) * std::exp(-4.0)), v[1]);
    EXPECT_EQ(afterAdding(std::exp(-16.0) * std::exp(-4.0)), v[2]);
}

TEST(JointMove, SameStatesAndInputsGiveSameWeights)
{
    auto run = [](TestTracker& k) {
        for (int n = 0; n < 3; ++n) {
            Target* t = k.add();
            for (int i = 0; i < 5; ++i) {
                Sample& s = k.sample(t, i);
                place(s, cvRect(4 * n + i, 2 * i, 8 + i, 9));
                s.weight = s.likelihood = static_cast<float>(1 + (n * 5 + i) % 4);
            }
        }
        k.tracker.findNeighbours();
        k.tracker.runJointStage(200);
    };
    TestTracker first(5, 3, 63), second(5, 3, 63);
    run(first);
    run(second);
    EXPECT_EQ(0, std::memcmp(first.tracker.samples, second.tracker.samples, sizeof(Sample) * 15));
    EXPECT_EQ(0, std::memcmp(first.tracker.jointPool.states, second.tracker.jointPool.states, sizeof(uint64_t) * 3));
}
