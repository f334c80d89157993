#include "core/compact_sampling_table.h"

#include <algorithm>
#include <new>

namespace {

// Buckets of the lookup index: at most 2^12, 16 KiB per target.  With the
// standard 2^18 entries a bucket covers 64 entries, while a sample of a
// 500-sample target averages 524: most lookups find their run at once.
constexpr int kMaxBucketBits = 12;

int entryBits(int32_t mask)
{
    int bits = 0;
    while (bits < 31 && (static_cast<int64_t>(1) << bits) <= mask)
        ++bits;
    return bits;
}

}  // namespace

bool CompactSamplingTable::reserve(int sampleCount, int32_t mask)
{
    if (sampleCount < 0 || mask < 0)
        return false;
    try {
        const int bits = entryBits(mask);
        const int bucketBits = std::min(bits, kMaxBucketBits);
        starts_.resize(static_cast<size_t>(sampleCount) + 1);
        holders_.resize((static_cast<size_t>(1) << bucketBits) + 1);
        shift_ = bits - bucketBits;
        mask_ = mask;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CompactSamplingTable::fill(int32_t mask, Sample* samples, int n)
{
    if (mask != mask_ || starts_.size() < static_cast<size_t>(n) + 1) {
        if (!reserve(std::max(n, static_cast<int>(starts_.size()) - 1), mask)) {
            samples_ = nullptr;
            return;
        }
    }

    // The full table's loop, entry by entry: sample i takes every entry e
    // from the current one on while cum > e * step, and stops at the first
    // that fails.  That test holds on a prefix of the remaining entries:
    // for a step >= 0, e * step rounded is non-decreasing in e (e is exact
    // in a double and rounding is monotone); for a step < 0 it is
    // non-increasing, so once true it stays true; a NaN step or cum, and
    // 0 * inf, make it false, and for a step of +-inf every e >= 1 gives the
    // same product.  So the end of each run can be found by bisection, and
    // probing the test anywhere in between only narrows the range.
    const int64_t M = mask;
    double total = 0.0;
    for (int i = 0; i < n; ++i)
        total += samples[i].weight;
    const double step = total / M;

    int64_t e = 0;
    double cum = 0.0;
    int i = 0;
    for (; i < n && e <= M; ++i) {
        starts_[i] = static_cast<uint32_t>(e);
        cum = cum + samples[i].weight;
        if (cum > static_cast<double>(e) * step) {
            int64_t lo = e + 1, hi = M + 1;  // the first failing entry, M + 1 for none
            // The run most likely ends just after cum / step: probing there
            // first mostly leaves nothing to bisect.
            const double guess = cum / step;
            if (guess >= static_cast<double>(lo) && guess < static_cast<double>(hi)) {
                const int64_t g = static_cast<int64_t>(guess);
                if (cum > static_cast<double>(g) * step)
                    lo = g + 1;
                else
                    hi = g;
                if (lo < hi && lo == g + 1) {
                    if (cum > static_cast<double>(lo) * step)
                        ++lo;
                    else
                        hi = lo;
                }
            }
            while (lo < hi) {
                const int64_t mid = lo + (hi - lo) / 2;
                if (cum > static_cast<double>(mid) * step)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            e = lo;
        }
    }
    for (; i <= n; ++i)
        starts_[i] = static_cast<uint32_t>(e);

    // The run holding each bucket's first entry: the last i with
    // starts_[i] <= entry, found by one walk over both.
    const size_t buckets = holders_.size() - 1;
    uint32_t run = 0;
    for (size_t b = 0; b < buckets; ++b) {
        const int64_t entry = static_cast<int64_t>(b) << shift_;
        while (run < static_cast<uint32_t>(n) && starts_[run + 1] <= entry)
            ++run;
        holders_[b] = run;
    }
    holders_[buckets] = static_cast<uint32_t>(n);
    samples_ = samples;
    count_ = n;
}

uint32_t CompactSamplingTable::runContaining(uint32_t index, uint32_t first, uint32_t last) const
{
    // The last run among first .. last starting at or before index; the
    // runs of one bucket lie between the holders of its first entry and of
    // the next bucket's.
    const uint32_t* begin = starts_.data() + first;
    const uint32_t* end = starts_.data() + last + 1;
    return static_cast<uint32_t>(std::upper_bound(begin, end, index) - starts_.data()) - 1;
}
