#include "core/sort_by_weight.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// p goes before q when its weight is larger.
inline bool before(const Sample* p, const Sample* q)
{
    return static_cast<double>(p->weight) > static_cast<double>(q->weight);
}

inline ptrdiff_t median3(Sample** a, ptrdiff_t i, ptrdiff_t j, ptrdiff_t k)
{
    if (before(a[i], a[j]))
        return before(a[j], a[k]) ? j : (before(a[i], a[k]) ? k : i);
    return before(a[k], a[j]) ? j : (before(a[i], a[k]) ? i : k);
}

inline void insertionSort(Sample** a, ptrdiff_t left, ptrdiff_t right)
{
    for (ptrdiff_t p = left + 1; p <= right; ++p)
        for (ptrdiff_t q = p; q > left && before(a[q], a[q - 1]); --q)
            std::swap(a[q], a[q - 1]);
}

// The pivot of [L, R] (n = R - L + 1 > 7 elements): the median of three,
// of a ninther's three medians for larger ranges.
inline ptrdiff_t choosePivot(Sample** a, ptrdiff_t L, ptrdiff_t R)
{
    const ptrdiff_t n = R - L + 1;
    ptrdiff_t lo = L, pivot = L + n / 2, hi = R;
    if (n > 40) {
        const ptrdiff_t d = n / 8;
        lo = median3(a, L, L + d, L + 2 * d);
        pivot = median3(a, pivot - d, pivot, pivot + d);
        hi = median3(a, R - 2 * d, R - d, R);
    }
    return median3(a, lo, pivot, hi);
}

// Where a three-way partition of [L+1, R] around a[L] leaves its cursors:
// a[L+1 .. i1-1] and a[j1+1 .. R] equal the pivot, a[i1 .. i-1] go before
// it and a[j+1 .. j1] after it.  `swapped` is false when nothing moved.
struct Partition {
    ptrdiff_t i, i1, j, j1;
    bool swapped;
};

inline Partition partitionThreeWay(Sample** a, ptrdiff_t L, ptrdiff_t R)
{
    ptrdiff_t i = L + 1, i1 = L + 1, j = R, j1 = R;
    bool swapped = false;
    for (;;) {
        while (i <= j && !before(a[L], a[i])) {
            if (!before(a[i], a[L])) {
                if (i > i1)
                    std::swap(a[i1], a[i]);
                swapped = true;
                ++i1;
            }
            ++i;
        }
        while (i <= j && !before(a[j], a[L])) {
            if (!before(a[L], a[j])) {
                if (j < j1)
                    std::swap(a[j1], a[j]);
                swapped = true;
                --j1;
            }
            --j;
        }
        if (i > j)
            break;
        std::swap(a[i], a[j]);
        swapped = true;
        ++i;
        --j;
    }
    return {i, i1, j, j1, swapped};
}

// Moves the runs equal to the pivot from both ends to the middle.
inline void gatherPivotRuns(Sample** a, ptrdiff_t L, ptrdiff_t R, const Partition& p)
{
    ptrdiff_t m = std::min(p.i1 - L, p.i - p.i1);
    for (ptrdiff_t k = 0; k < m; ++k)
        std::swap(a[L + k], a[p.i - m + k]);
    m = std::min(R - p.j1, p.j1 - p.j);
    for (ptrdiff_t k = 0; k < m; ++k)
        std::swap(a[p.i + k], a[R - m + 1 + k]);
}

}  // namespace

void sortByWeight(Sample** a, size_t total, int /*aux*/)
{
    if (total <= 1)
        return;

    struct Range {
        ptrdiff_t left, right;
    };
    // The larger part is always the one pushed, so the stack never holds
    // more than log2(total) ranges.
    Range stack[48];
    int depth = 0;
    stack[depth++] = {0, static_cast<ptrdiff_t>(total) - 1};

    while (depth > 0) {
        ptrdiff_t L = stack[--depth].left;
        ptrdiff_t R = stack[depth].right;
        for (;;) {
            const ptrdiff_t n = R - L + 1;
            if (n <= 7) {
                insertionSort(a, L, R);
                break;
            }

            const ptrdiff_t pivot = choosePivot(a, L, R);
            if (pivot != L)
                std::swap(a[pivot], a[L]);

            const Partition part = partitionThreeWay(a, L, R);
            if (!part.swapped) {
                insertionSort(a, L, R);
                break;
            }
            gatherPivotRuns(a, L, R, part);

            const ptrdiff_t nl = part.i - part.i1;  // elements before the pivot's run
            const ptrdiff_t nr = part.j1 - part.j;  // elements after it
            if (nl > 1 && nr > 1) {
                if (nl > nr) {
                    stack[depth++] = {L, L + nl - 1};
                    L = R - nr + 1;
                } else {
                    stack[depth++] = {R - nr + 1, R};
                    R = L + nl - 1;
                }
            } else if (nl > 1) {
                R = L + nl - 1;
            } else if (nr > 1) {
                L = R - nr + 1;
            } else {
                break;
            }
        }
    }
}
