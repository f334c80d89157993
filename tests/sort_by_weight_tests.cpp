#include "tracker/tavo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace {

// A plain, independent implementation of the same ordering procedure, on
// indices into a weight array, used to work out expected permutations.
// With `everyEqualSetsSwapped` false, only an actual exchange of an element
// equal to the pivot marks the partition as having swapped (a misreading
// that the tests below tell apart).
struct ReferenceSort {
    const std::vector<float>& w;
    std::vector<int>& a;
    bool everyEqualSetsSwapped;

    bool before(int p, int q) const { return double(w[a[p]]) > double(w[a[q]]); }
    void swapAt(long p, long q) { std::swap(a[p], a[q]); }
    long med(long i, long j, long k) const
    {
        if (before(i, j)) {
            if (before(j, k)) return j;
            if (before(i, k)) return k;
            return i;
        }
        if (before(k, j)) return j;
        if (before(i, k)) return i;
        return k;
    }
    void insertion(long L, long R)
    {
        for (long p = L + 1; p <= R; ++p) {
            long q = p;
            while (q > L && before(q, q - 1)) {
                swapAt(q, q - 1);
                --q;
            }
        }
    }
    void run()
    {
        long total = long(a.size());
        if (total <= 1) return;
        std::vector<std::pair<long, long>> stack;
        stack.push_back({0, total - 1});
        while (!stack.empty()) {
            long L = stack.back().first, R = stack.back().second;
            stack.pop_back();
            bool more = true;
            while (more) {
                long n = R - L + 1;
                if (n <= 7) {
                    insertion(L, R);
                    break;
                }
                long P = L + n / 2;
                long l2 = L, r2 = R;
                if (n > 40) {
                    long d = n / 8;
                    l2 = med(L, L + d, L + 2 * d);
                    P = med(P - d, P, P + d);
                    r2 = med(R - 2 * d, R - d, R);
                }
                P = med(l2, P, r2);
                if (P != L) swapAt(P, L);
                long i = L + 1, i1 = L + 1, j = R, j1 = R;
                bool swapped = false;
                for (;;) {
                    while (i <= j && !before(L, i)) {
                        if (!before(i, L)) {
                            if (i > i1) {
                                swapAt(i1, i);
                                swapped = true;
                            }
                            if (everyEqualSetsSwapped) swapped = true;
                            ++i1;
                        }
                        ++i;
                    }
                    while (i <= j && !before(j, L)) {
                        if (!before(L, j)) {
                            if (j < j1) {
                                swapAt(j1, j);
                                swapped = true;
                            }
                            if (everyEqualSetsSwapped) swapped = true;
                            --j1;
                        }
                        --j;
                    }
                    if (i > j) break;
                    swapAt(i, j);
                    swapped = true;
                    ++i;
                    --j;
                }
                if (!swapped) {
                    insertion(L, R);
                    break;
                }
                long m = std::min(i1 - L, i - i1);
                for (long k = 0; k < m; ++k) swapAt(L + k, i - m + k);
                m = std::min(R - j1, j1 - j);
                for (long k = 0; k < m; ++k) swapAt(i + k, R - m + 1 + k);
                long nl = i - i1, nr = j1 - j;
                if (nl > 1 && nr > 1) {
                    if (nl > nr) {
                        stack.push_back({L, L + nl - 1});
                        L = R - nr + 1;
                    } else {
                        stack.push_back({R - nr + 1, R});
                        R = L + nl - 1;
                    }
                } else if (nl > 1) {
                    R = L + nl - 1;
                } else if (nr > 1) {
                    L = R - nr + 1;
                } else {
                    more = false;
                }
            }
        }
    }
};

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

std::vector<int> referenceIndices(const std::vector<float>& w, bool everyEqualSetsSwapped = true)
{
    std::vector<int> a(w.size());
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<int>(i);
    ReferenceSort{w, a, everyEqualSetsSwapped}.run();
    return a;
}

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

TEST(SortByWeight, TinyArraysAreInsertionSortedStably)
{
    EXPECT_NO_FATAL_FAILURE(sortByWeight(nullptr, 0, 0));
    Sample one;
    one.weight = 0.25f;
    Sample* single[1] = {&one};
    sortByWeight(single, 1, 0);
    EXPECT_EQ(single[0], &one);
    EXPECT_EQ(one.weight, 0.25f);

    // Up to seven elements, equal weights keep their order.
    EXPECT_EQ(sortedIndices({0.2f, 0.5f, 0.2f, 0.5f, 0.1f, 0.2f, 0.5f}), (std::vector<int>{1, 3, 6, 0, 2, 5, 4}));
    EXPECT_EQ(sortedIndices({0.3f, 0.3f, 0.3f}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(sortedIndices({0.1f, 0.9f}), (std::vector<int>{1, 0}));
    std::vector<Sample> s(4);
    std::vector<Sample*> refs = {&s[0], &s[1], &s[2], &s[3]};
    s[0].weight = 0.1f;
    s[1].weight = 0.2f;
    s[2].weight = 0.9f;
    s[3].weight = 0.3f;
    sortByWeight(refs.data(), 3, 0);
    EXPECT_EQ(refs, (std::vector<Sample*>{&s[2], &s[1], &s[0], &s[3]}));
}

TEST(SortByWeight, LargeArraysEndDescending)
{
    std::mt19937 gen(2024);
    const float levels[] = {0.05f, 0.1f, 0.1f, 0.25f, 0.5f, 1.0000001f, 1.2127045e-7f};
    std::vector<float> ties(500);
    for (float& w : ties)
        w = levels[gen() % 7];
    std::vector<float> distinct(500);
    for (size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = static_cast<float>(gen() % 100000) / 100000.0f;
    std::vector<float> descending(distinct);
    std::sort(descending.begin(), descending.end(), std::greater<float>());
    std::vector<float> ascending(descending.rbegin(), descending.rend());
    std::vector<float> equal(500, 0.002f);
    std::vector<float> organPipe(501);
    for (int i = 0; i <= 500; ++i)
        organPipe[i] = static_cast<float>(250 - std::abs(250 - i));

    for (const auto* w : {&ties, &distinct, &descending, &ascending, &equal, &organPipe}) {
        const std::vector<int> order = sortedIndices(*w);
        expectDescendingPermutation(*w, order);
        EXPECT_EQ(order, referenceIndices(*w));
    }
}

// 56 weights from three values, worked out with the reference reading above.
TEST(SortByWeight, PinnedOrderOfTies)
{
    const std::vector<float> w = {
        0.1f, 0.2f, 0.2f, 0.3f, 0.2f, 0.1f, 0.3f, 0.3f, 0.2f, 0.3f, 0.2f, 0.2f, 0.3f, 0.1f,
        0.3f, 0.2f, 0.1f, 0.2f, 0.1f, 0.1f, 0.1f, 0.2f, 0.3f, 0.1f, 0.2f, 0.3f, 0.3f, 0.2f,
        0.1f, 0.3f, 0.1f, 0.2f, 0.1f, 0.2f, 0.2f, 0.1f, 0.1f, 0.3f, 0.3f, 0.3f, 0.2f, 0.3f,
        0.1f, 0.3f, 0.3f, 0.2f, 0.2f, 0.3f, 0.3f, 0.2f, 0.1f, 0.3f, 0.3f, 0.1f, 0.1f, 0.1f};
    const std::vector<int> pinned = {14, 3,  6,  7,  9,  12, 22, 25, 26, 29, 37, 38, 39, 41,
                                     43, 44, 47, 48, 51, 52, 1,  46, 4,  24, 31, 27, 8,  40,
                                     10, 11, 49, 33, 34, 15, 21, 17, 45, 2,  19, 42, 23, 50,
                                     54, 28, 30, 32, 35, 36, 5,  55, 53, 13, 0,  16, 18, 20};
    EXPECT_EQ(referenceIndices(w), pinned);
    EXPECT_EQ(sortedIndices(w), pinned);
}

// Meeting an element equal to the pivot counts as a swap even when it is
// already in place.  Here the partition of the eight elements makes no real
// exchange; a sort that then fell back to insertion sorting would keep the
// equal weights in their first order (0 1 2 3 5 6 7 4).
TEST(SortByWeight, EqualElementsCountAsSwapped)
{
    const std::vector<float> w = {0.2f, 0.2f, 0.2f, 0.2f, 0.1f, 0.2f, 0.2f, 0.2f};
    const std::vector<int> expected = {0, 1, 2, 3, 7, 5, 6, 4};
    EXPECT_EQ(referenceIndices(w), expected);
    EXPECT_EQ(referenceIndices(w, false), (std::vector<int>{0, 1, 2, 3, 5, 6, 7, 4}));
    EXPECT_EQ(sortedIndices(w), expected);
}
