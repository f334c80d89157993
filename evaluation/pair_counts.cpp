#include "evaluation/pair_counts.h"

#include "evaluation/assignment.h"

#include <algorithm>

namespace tavo_eval {

namespace {

std::vector<int> distinct(std::vector<int> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

int position(const std::vector<int>& ids, int id)
{
    return static_cast<int>(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin());
}

}  // namespace

std::vector<uint64_t> bestPairing(const PairCounts& counts)
{
    // Ids that never overlap stay unpaired in any best pairing: only the
    // others enter the assignment.
    std::vector<int> truth, result;
    for (const auto& [key, sum] : counts.sums()) {
        truth.push_back(PairCounts::truthOf(key));
        result.push_back(PairCounts::resultOf(key));
    }
    truth = distinct(truth);
    result = distinct(result);
    std::vector<std::vector<double>> cost(truth.size(), std::vector<double>(result.size(), 0.0));
    for (const auto& [key, sum] : counts.sums())
        cost[position(truth, PairCounts::truthOf(key))][position(result, PairCounts::resultOf(key))] = -sum;
    const std::vector<int> columnOfRow = minimumCostAssignment(cost);
    std::vector<uint64_t> pairs;
    for (size_t r = 0; r < truth.size(); ++r)
        if (columnOfRow[r] >= 0 && cost[r][columnOfRow[r]] < 0.0)
            pairs.push_back(PairCounts::key(truth[r], result[columnOfRow[r]]));
    return pairs;
}

}  // namespace tavo_eval
