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

            // Pivot: median of three, or a ninther for larger ranges.
            ptrdiff_t lo = L, pivot = L + n / 2, hi = R;
            if (n > 40) {
                const ptrdiff_t d = n / 8;
                lo = median3(a, L, L + d, L + 2 * d);
                pivot = median3(a, pivot - d, pivot, pivot + d);
                hi = median3(a, R - 2 * d, R - d, R);
            }
            pivot = median3(a, lo, pivot, hi);
            if (pivot != L)
                std::swap(a[pivot], a[L]);

            // Three-way partition of [L+1, R] around a[L]; elements equal to
            // the pivot gather at both ends.
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

            if (!swapped) {
                insertionSort(a, L, R);
                break;
            }

            // Move the runs equal to the pivot to the middle.
            ptrdiff_t m = std::min(i1 - L, i - i1);
            for (ptrdiff_t k = 0; k < m; ++k)
                std::swap(a[L + k], a[i - m + k]);
            m = std::min(R - j1, j1 - j);
            for (ptrdiff_t k = 0; k < m; ++k)
                std::swap(a[i + k], a[R - m + 1 + k]);

            const ptrdiff_t nl = i - i1;  // elements before the pivot's run
            const ptrdiff_t nr = j1 - j;  // elements after it
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
