#pragma once

// Sums kept per pair of a truth id and a result id, for the pairs that
// ever overlap: a sequence's ids can be many, the overlapping pairs few.

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tavo_eval {

class PairCounts {
public:
    static uint64_t key(int truth, int result)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(truth)) << 32) | static_cast<uint32_t>(result);
    }
    static int truthOf(uint64_t key) { return static_cast<int>(key >> 32); }
    static int resultOf(uint64_t key) { return static_cast<int>(key & 0xffffffffu); }

    void add(int truth, int result, double amount) { sums_[key(truth, result)] += amount; }
    double get(int truth, int result) const
    {
        const auto it = sums_.find(key(truth, result));
        return it == sums_.end() ? 0.0 : it->second;
    }
    const std::unordered_map<uint64_t, double>& sums() const { return sums_; }

private:
    std::unordered_map<uint64_t, double> sums_;
};

// The one-to-one pairing of truth ids with result ids of the largest total
// count; each pair as PairCounts::key, only pairs with a count above 0.
std::vector<uint64_t> bestPairing(const PairCounts& counts);

}  // namespace tavo_eval
