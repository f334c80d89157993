// sortByWeight: the result is the input in non-increasing order of weight,
// and equal weights are left in the order the implementation gives them,
// which decides which samples resampling copies.  Those orders are pinned
// here as the current implementation leaves them.

#include "core/tavo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

// The order sortByWeight leaves, as indices into w.
std::vector<int> sortedIndices(const std::vector<float>& w)
{
    std::vector<Sample> s(w.size());
    std::vector<Sample*> refs(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        s[i].weight = w[i];
        s[i].posX = static_cast<float>(i);
        refs[i] = &s[i];
    }
    sortByWeight(refs.data(), refs.size(), 0);
    std::vector<int> order;
    for (Sample* p : refs)
        order.push_back(static_cast<int>(p - s.data()));
    return order;
}

// `order` holds every index of w exactly once, and the weights it visits
// never increase.
void expectDescendingPermutation(const std::vector<float>& w, const std::vector<int>& order)
{
    ASSERT_EQ(order.size(), w.size());
    std::vector<int> seen(order);
    std::sort(seen.begin(), seen.end());
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i], static_cast<int>(i));
    for (size_t i = 1; i < order.size(); ++i)
        ASSERT_GE(w[order[i - 1]], w[order[i]]) << "position " << i;
}

}  // namespace

TEST(SortByWeight, ShortArraysAreInsertionSortedStably)
{
    // Zero or one element: nothing moves.
    Sample low, high;
    low.weight = 0.25f;
    high.weight = 0.75f;
    Sample* refs2[2] = {&low, &high};
    sortByWeight(refs2, 0, 0);
    sortByWeight(refs2, 1, 0);
    EXPECT_EQ(refs2[0], &low);
    EXPECT_EQ(refs2[1], &high);

    // Up to seven elements, equal weights keep their order.
    EXPECT_EQ(sortedIndices({0.2f, 0.5f, 0.2f, 0.5f, 0.1f, 0.2f, 0.5f}), (std::vector<int>{1, 3, 6, 0, 2, 5, 4}));
    EXPECT_EQ(sortedIndices(std::vector<float>(7, 0.3f)), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(sortedIndices({0.3f, 0.3f, 0.3f}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(sortedIndices({0.1f, 0.9f}), (std::vector<int>{1, 0}));

    // Only the first `total` references are sorted.
    std::vector<Sample> s(4);
    std::vector<Sample*> refs = {&s[0], &s[1], &s[2], &s[3]};
    s[0].weight = 0.1f;
    s[1].weight = 0.2f;
    s[2].weight = 0.9f;
    s[3].weight = 0.3f;
    sortByWeight(refs.data(), 3, 0);
    EXPECT_EQ(refs, (std::vector<Sample*>{&s[2], &s[1], &s[0], &s[3]}));
}

TEST(SortByWeight, EveryResultIsADescendingPermutation)
{
    std::mt19937 gen(2024);
    const float levels[] = {0.05f, 0.1f, 0.1f, 0.25f, 0.5f, 1.0000001f, 1.2127045e-7f};
    std::vector<std::vector<float>> inputs;

    // Every size from 2 to 120 (insertion sort, median of three, ninther),
    // with few and with many distinct weights.
    for (size_t n = 2; n <= 120; ++n) {
        std::vector<float> ties(n), distinct(n);
        for (float& w : ties)
            w = levels[gen() % 7];
        for (float& w : distinct)
            w = static_cast<float>(gen() % 100000) / 100000.0f;
        inputs.push_back(ties);
        inputs.push_back(distinct);
    }

    std::vector<float> ties(500);
    for (float& w : ties)
        w = levels[gen() % 7];
    std::vector<float> distinct(500);
    for (float& w : distinct)
        w = static_cast<float>(gen() % 100000) / 100000.0f;
    std::vector<float> descending(distinct);
    std::sort(descending.begin(), descending.end(), std::greater<float>());
    std::vector<float> ascending(descending.rbegin(), descending.rend());
    std::vector<float> organPipe(501);
    for (int i = 0; i <= 500; ++i)
        organPipe[i] = static_cast<float>(250 - std::abs(250 - i));
    for (auto* w : {&ties, &distinct, &descending, &ascending, &organPipe})
        inputs.push_back(*w);
    inputs.push_back(std::vector<float>(500, 0.002f));

    for (size_t k = 0; k < inputs.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "input " << k << " of size " << inputs[k].size());
        expectDescendingPermutation(inputs[k], sortedIndices(inputs[k]));
    }
}

// From 8 to 40 elements the pivot is the median of the first, middle and
// last element.
TEST(SortByWeight, PinnedOrderOfTiesAroundAMedianOfThree)
{
    EXPECT_EQ(sortedIndices({0.3f, 0.1f, 0.1f, 0.3f, 0.1f, 0.3f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f}),
              (std::vector<int>{0, 3, 5, 2, 4, 10, 6, 7, 8, 1, 9}));
}

// More than 40 elements: the pivot is a ninther.
TEST(SortByWeight, PinnedOrderOfTiesAroundANinther)
{
    // 56 weights from three values.
    const std::vector<float> w = {
        0.1f, 0.2f, 0.2f, 0.3f, 0.2f, 0.1f, 0.3f, 0.3f, 0.2f, 0.3f, 0.2f, 0.2f, 0.3f, 0.1f,
        0.3f, 0.2f, 0.1f, 0.2f, 0.1f, 0.1f, 0.1f, 0.2f, 0.3f, 0.1f, 0.2f, 0.3f, 0.3f, 0.2f,
        0.1f, 0.3f, 0.1f, 0.2f, 0.1f, 0.2f, 0.2f, 0.1f, 0.1f, 0.3f, 0.3f, 0.3f, 0.2f, 0.3f,
        0.1f, 0.3f, 0.3f, 0.2f, 0.2f, 0.3f, 0.3f, 0.2f, 0.1f, 0.3f, 0.3f, 0.1f, 0.1f, 0.1f};
    EXPECT_EQ(sortedIndices(w), (std::vector<int>{14, 3,  6,  7,  9,  12, 22, 25, 26, 29, 37, 38, 39, 41,
                                                  43, 44, 47, 48, 51, 52, 1,  46, 4,  24, 31, 27, 8,  40,
                                                  10, 11, 49, 33, 34, 15, 21, 17, 45, 2,  19, 42, 23, 50,
                                                  54, 28, 30, 32, 35, 36, 5,  55, 53, 13, 0,  16, 18, 20}));

    // 45 weights from two values.
    std::vector<float> two(45);
    for (int i = 0; i < 45; ++i)
        two[i] = (i * 5 % 9) < 4 ? 0.5f : 0.25f;
    EXPECT_EQ(sortedIndices(two), (std::vector<int>{0,  15, 27, 9,  29, 6,  31, 18, 33, 11, 20, 36, 4,  38, 22,
                                                    40, 13, 42, 24, 2,  35, 37, 39, 41, 43, 44, 1,  3,  5,  7,
                                                    8,  10, 12, 14, 16, 17, 19, 21, 23, 25, 26, 28, 30, 32, 34}));

    // 48 equal weights: the pivot (the last element) and the first trade
    // places, the rest stay.
    std::vector<int> equal(48);
    for (int i = 0; i < 48; ++i)
        equal[i] = i;
    std::swap(equal.front(), equal.back());
    EXPECT_EQ(sortedIndices(std::vector<float>(48, 0.002f)), equal);
}

// Meeting an element equal to the pivot counts as a swap even when it is
// already in place, on either side of the partition.  In both arrays the
// partition makes no real exchange; a sort that then fell back to insertion
// sorting would keep the equal weights in their first order (0 1 2 3 5 6 7 4
// and 0 7 1 2 3 4 5 6).
TEST(SortByWeight, EqualElementsCountAsSwapped)
{
    // Equal elements met from the left ...
    EXPECT_EQ(sortedIndices({0.2f, 0.2f, 0.2f, 0.2f, 0.1f, 0.2f, 0.2f, 0.2f}),
              (std::vector<int>{0, 1, 2, 3, 7, 5, 6, 4}));
    // ... and from the right.
    EXPECT_EQ(sortedIndices({0.2f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.2f}),
              (std::vector<int>{0, 7, 2, 3, 4, 5, 6, 1}));
}
