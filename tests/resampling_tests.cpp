#include "test_tracker.h"
#include "core/tavo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A tracker whose first target has four samples A, B, C, D in slots 0..3
// (told apart by posX = 1, 2, 3, 4) and a second target behind it.
class Resampling : public ::testing::Test {
protected:
    void SetUp() override
    {
        target = tracker.createTarget(4);
        ASSERT_NE(target, nullptr);
        Target* second = tracker.createTarget(4);
        ASSERT_NE(second, nullptr);
        tracker.selectTarget(target->firstSample, target);
        tracker.samples[4].posX = 99.0f;
    }

    // Sets the weights of A..D and the visiting order (letters), resamples
    // and returns the new generation as letters.
    std::string run(std::vector<float> weights, const std::string& order = "ABCD")
    {
        Sample* slots = tracker.windowSamples;
        for (int i = 0; i < 4; ++i) {
            slots[i].weight = weights[i];
            slots[i].posX = static_cast<float>(i + 1);
            slots[i].likelihood = 10.0f * (i + 1);
            slots[i].vote = 100.0f * (i + 1);
            slots[i].rect = cvRect(i, i, 1, 1);
        }
        for (int i = 0; i < 4; ++i)
            tracker.windowRefs[i] = &slots[order[i] - 'A'];
        tracker.resample(4);
        std::string out;
        for (int i = 0; i < 4; ++i)
            out += letter(slots[i]);
        return out;
    }

    static char letter(const Sample& s) { return static_cast<char>('A' + static_cast<int>(s.posX) - 1); }

    TestTracker k{4, 10, 7};
    tavo& tracker = k.tracker;
    Target* target = nullptr;
};

}  // namespace

TEST_F(Resampling, CopiesInProportionToTheWeights)
{
    // Counts 1.5 -> 2, 1.5 -> 2, 0.5 -> 0, 0.5 -> 0.
    EXPECT_EQ(run({0.375f, 0.375f, 0.125f, 0.125f}), "AABB");
}

TEST_F(Resampling, TopUpRepeatsTheFirstInOrder)
{
    // Counts 3, 0, 0, 0; one slot left, filled with A.
    EXPECT_EQ(run({0.7f, 0.1f, 0.1f, 0.1f}), "AAAA");
}

TEST_F(Resampling, TopUpAfterSeveralSingles)
{
    // Counts 1, 1, 1, 0; the top-up adds A.
    EXPECT_EQ(run({0.3f, 0.3f, 0.3f, 0.1f}), "ABCA");
}

TEST_F(Resampling, HalvesGoToEven)
{
    // 2.5 -> 2 and 1.5 -> 2.
    EXPECT_EQ(run({0.625f, 0.375f, 0.0f, 0.0f}), "AABB");
    // Unnormalised weights give the same counts.
    EXPECT_EQ(run({2.5f, 1.5f, 0.0f, 0.0f}), "AABB");
}

TEST_F(Resampling, CountsBeyondTheWindowAreCut)
{
    // Counts 2, 2, 1, 0 add up to 5: C, last in order, gets no copy.
    EXPECT_EQ(run({0.4f, 0.4f, 0.2f, 0.0f}), "AABB");
    // In another order the cut falls on A.
    EXPECT_EQ(run({0.4f, 0.4f, 0.2f, 0.0f}, "CBAD"), "CBBA");
    // The next target's slots are never written.
    EXPECT_EQ(tracker.samples[4].posX, 99.0f);
}

TEST_F(Resampling, EqualWeightsFollowTheReferenceOrder)
{
    EXPECT_EQ(run({0.25f, 0.25f, 0.25f, 0.25f}, "CADB"), "CADB");
}

TEST_F(Resampling, TheOrderOfReferencesDecidesTopUpAndCut)
{
    // Counts 0, 1, 1, 1 visited D, B, A, C: the top-up takes the first in
    // order, D, although its own count was 0.
    EXPECT_EQ(run({0.3f, 0.3f, 0.3f, 0.1f}, "DBAC"), "BACD");
}

TEST_F(Resampling, WholeRecordsAreCopiedThroughTheScratchWindow)
{
    ASSERT_EQ(run({0.1f, 0.7f, 0.1f, 0.1f}, "BACD"), "BBBB");
    for (int i = 0; i < 4; ++i) {
        const Sample& s = tracker.windowSamples[i];
        EXPECT_EQ(s.weight, 0.7f);
        EXPECT_EQ(s.likelihood, 20.0f);
        EXPECT_EQ(s.vote, 200.0f);
        EXPECT_EQ(s.rect.x, 1);
        EXPECT_EQ(tracker.windowScratch[i].posX, 2.0f);
        EXPECT_EQ(tracker.windowScratch[i].vote, 200.0f);
    }
}
