// The compact sampling table gives, for every index 0 .. mask, the sample
// of the full table: checked entry by entry on random and adversarial
// weight sets.

#include "literal/sampling_table.h"
#include "core/compact_sampling_table.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<Sample> samplesWeighted(const std::vector<float>& weights)
{
    std::vector<Sample> s(weights.size());
    for (size_t i = 0; i < weights.size(); ++i)
        s[i].weight = weights[i];
    return s;
}

// Every entry of `compact`, filled from `samples`, against the full table's;
// the first mismatch is reported.
::testing::AssertionResult sameEveryEntry(const CompactSamplingTable& compact, std::vector<Sample>& samples,
                                          int32_t mask)
{
    std::vector<Sample*> full(static_cast<size_t>(mask) + 1, nullptr);
    fillSamplingTable(full.data(), mask, samples.data(), static_cast<int>(samples.size()));
    for (int64_t e = 0; e <= mask; ++e) {
        Sample* got = compact.sampleAt(static_cast<uint32_t>(e));
        if (got != full[static_cast<size_t>(e)])
            return ::testing::AssertionFailure() << "mask " << mask << ", entry " << e << ": sample "
                                                 << (got - samples.data()) << " instead of "
                                                 << (full[static_cast<size_t>(e)] - samples.data());
    }
    return ::testing::AssertionSuccess();
}

// The same for a table reserved for `reserved` samples (none for -1) and
// then filled.
::testing::AssertionResult sameEveryEntry(std::vector<Sample>& samples, int32_t mask, int reserved)
{
    CompactSamplingTable compact;
    if (reserved >= 0 && !compact.reserve(reserved, mask))
        return ::testing::AssertionFailure() << "no memory";
    compact.fill(mask, samples.data(), static_cast<int>(samples.size()));
    return sameEveryEntry(compact, samples, mask);
}

const int32_t kMasks[] = {0, 1, 7, 0x3ff, 0x3ffff};

}  // namespace

TEST(CompactSamplingTable, RandomWeightsGiveTheFullTablesSamples)
{
    std::mt19937 rng(17);
    for (int32_t mask : kMasks) {
        for (int n : {1, 2, 5, 500, 2000}) {
            std::uniform_real_distribution<float> w(0.0f, 1.0f);
            std::vector<float> weights(static_cast<size_t>(n));
            for (float& x : weights)
                x = w(rng) * w(rng) * w(rng);  // many small shares, a few large
            std::vector<Sample> s = samplesWeighted(weights);
            EXPECT_TRUE(sameEveryEntry(s, mask, n)) << "n " << n;
        }
    }
}

TEST(CompactSamplingTable, AdversarialWeightSetsGiveTheFullTablesSamples)
{
    std::mt19937 rng(29);
    std::vector<std::pair<std::string, std::vector<float>>> sets = {
        {"ties", std::vector<float>(500, 0.002f)},
        {"thirds", {1.0f / 3, 1.0f / 3, 1.0f / 3}},
        {"all zero", std::vector<float>(50, 0.0f)},
        {"zeros around one", {0, 0, 0, 1, 0, 0}},
        {"one heavy, many zero", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"NaN first", {kNaN, 1, 2, 3}},
        {"NaN in the middle", {1, 2, kNaN, 3, 4}},
        {"all NaN", {kNaN, kNaN}},
        {"infinity", {1, kInf, 2}},
        {"negative", {1, -0.5f, 2, 0.25f}},
        {"negative total", {-1, -2, -0.5f}},
        {"negative zeros", {-0.0f, 1, -0.0f}},
        {"tiny total", {FLT_TRUE_MIN, FLT_TRUE_MIN, 2 * FLT_TRUE_MIN}},
        {"denormal shares", {1e-40f, 3e-41f, 1e-39f, 0}},
        {"huge", {3e38f, 3e38f, 1}},
        {"lowest likelihood floor", std::vector<float>(500, 1.2127045e-7f)},
    };
    // Likelihood-like weights: a few levels, many exactly equal.
    std::vector<float> levels(500);
    std::uniform_int_distribution<int> level(0, 3);
    const float values[4] = {1.0000001f, 0.5f, 1.2127045e-7f, 0.0f};
    for (float& x : levels)
        x = values[level(rng)];
    sets.push_back({"levels", levels});

    for (auto& [name, weights] : sets)
        for (int32_t mask : kMasks) {
            std::vector<Sample> s = samplesWeighted(weights);
            EXPECT_TRUE(sameEveryEntry(s, mask, static_cast<int>(weights.size()))) << name;
        }
}

// A table filled for more samples than reserved, or for another mask, sizes
// itself first; a table refilled with fewer samples forgets the others.
TEST(CompactSamplingTable, RefillsForOtherSizesGiveTheFullTablesSamples)
{
    std::vector<Sample> many = samplesWeighted(std::vector<float>(300, 1.0f));
    EXPECT_TRUE(sameEveryEntry(many, 0x3ff, 10));
    EXPECT_TRUE(sameEveryEntry(many, 0x3ff, -1));

    CompactSamplingTable t;
    ASSERT_TRUE(t.reserve(300, 0x3ff));
    t.fill(0x3ff, many.data(), 300);
    std::vector<Sample> few = samplesWeighted({0, 1});
    t.fill(0x7f, few.data(), 2);
    EXPECT_TRUE(sameEveryEntry(t, few, 0x7f));
    EXPECT_EQ(&few[1], t.sampleAt(0));
}

TEST(CompactSamplingTable, NothingToDrawBeforeTheFirstFill)
{
    CompactSamplingTable t;
    ASSERT_TRUE(t.reserve(5, 7));
    EXPECT_EQ(nullptr, t.sampleAt(0));
    EXPECT_EQ(nullptr, t.sampleAt(7));
}
