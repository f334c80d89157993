// The joint stage drawing from compact tables and on several threads gives
// the literal stage's votes, weights, draws and pool states, on random
// crowds of overlapping targets with random and degenerate weights.

#include "literal/literal_cycle.h"
#include "same_bits.h"
#include "test_tracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Targets of random samples in a small field, so that many overlap.
void randomCrowd(TestTracker& k, std::mt19937& rng, int targets, int weightKind)
{
    std::uniform_int_distribution<int> pos(0, 40), size(1, 14);
    std::uniform_real_distribution<float> w(0.0f, 1.0f);
    for (int n = 0; n < targets; ++n) {
        Target* t = k.add();
        ASSERT_NE(nullptr, t);
        for (int i = 0; i < t->sampleCount; ++i) {
            Sample& s = k.sample(t, i);
            place(s, cvRect(pos(rng), pos(rng), size(rng), size(rng)));
            s.likelihood = w(rng) + 1e-7f;
            s.weight = weightKind == 0 ? s.likelihood : weightKind == 1 ? 0.0f : (i % 3 == 0 ? 1.0f : 0.0f);
        }
    }
    k.tracker.findNeighbours();
}

}  // namespace

TEST(JointStageExactness, CompactTablesAndThreadsGiveTheLiteralStage)
{
    std::mt19937 rng(41);
    for (int trial = 0; trial < 12; ++trial) {
        const int weightKind = trial % 3;
        for (int threads : {1, 2}) {
            TestTracker literal(60, 6, 0x3fff), fast(60, 6, 0x3fff);
            std::mt19937 sameRng = rng;
            randomCrowd(literal, sameRng, 6, weightKind);
            sameRng = rng;
            randomCrowd(fast, sameRng, 6, weightKind);
            ASSERT_EQ(1, fast.tracker.setThreadCount(threads));

            literal::runJointStage(literal.tracker, 300);
            fast.tracker.runJointStage(300);
            SCOPED_TRACE("trial " + std::to_string(trial) + ", threads " + std::to_string(threads));
            for (int i = 0; i < 360; ++i) {
                const Sample& a = literal.tracker.samples[i];
                const Sample& b = fast.tracker.samples[i];
                ASSERT_EQ(bitsOf(a.vote), bitsOf(b.vote)) << i;
                ASSERT_EQ(bitsOf(a.weight), bitsOf(b.weight)) << i;
            }
            for (size_t t = 0; t < 6; ++t)
                EXPECT_EQ(literal.tracker.targets[t]->chosen - literal.tracker.samples,
                          fast.tracker.targets[t]->chosen - fast.tracker.samples);
            EXPECT_EQ(0, std::memcmp(literal.tracker.jointPool.states, fast.tracker.jointPool.states,
                                     6 * sizeof(uint64_t)));
        }
        rng.discard(1000);
    }
}
