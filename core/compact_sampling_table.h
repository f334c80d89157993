#pragma once

#include "core/sample.h"

#include <cstdint>
#include <vector>

// A sampling table in compact form.  The full table of mask + 1 entries
// (literal/sampling_table.h) gives each sample one run of consecutive
// entries; this form keeps where each run starts, plus, for every bucket of
// 2^shift entries, the samples holding its first and its last entry, so
// that a lookup searches only the few runs of one bucket.  sampleAt(e) is
// entry e of the full table for every e in 0 .. mask, bit for bit.
class CompactSamplingTable {
public:
    // Sizes the table for up to `sampleCount` samples and a mask of
    // 2^k - 1; the only allocation, so that fill allocates nothing for
    // those sizes.  False when the memory cannot be had.
    bool reserve(int sampleCount, int32_t mask);
    // Builds the table of samples[0 .. n) for `mask`, as the full table's
    // fillSamplingTable would; sizes itself first if reserve was not told
    // that much.
    void fill(int32_t mask, Sample* samples, int n);
    // The sample of entry `index` (0 .. mask); null before the first fill.
    Sample* sampleAt(uint32_t index) const
    {
        if (!samples_)
            return nullptr;
        const uint32_t bucket = index >> shift_;
        uint32_t first = holders_[bucket];
        const uint32_t last = holders_[bucket + 1];
        if (first != last)
            first = runContaining(index, first, last);
        // Entries after the last run refer to the first sample.
        return first < static_cast<uint32_t>(count_) ? &samples_[first] : &samples_[0];
    }

private:
    // The run, among first .. last, that holds `index` (count_ for the
    // entries after every run).
    uint32_t runContaining(uint32_t index, uint32_t first, uint32_t last) const;

    // starts_[i] is sample i's first entry, starts_[count_] one past the
    // last entry of any run; empty runs repeat the next start.
    std::vector<uint32_t> starts_;
    // holders_[b]: the run holding entry b << shift_; holders_[buckets]
    // = count_.
    std::vector<uint32_t> holders_;
    Sample* samples_ = nullptr;
    int count_ = 0;
    int shift_ = 0;
    int32_t mask_ = -1;
};
