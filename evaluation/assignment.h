#pragma once

// Minimum-cost assignment (Hungarian method, Kuhn-Munkres with potentials).

#include <vector>

namespace tavo_eval {

// cost[r][c] for r rows and c columns (all rows the same length, any shape).
// Returns for every row the column assigned to it, or -1: min(rows, columns)
// pairs are formed, each column at most once, with the least total cost.
std::vector<int> minimumCostAssignment(const std::vector<std::vector<double>>& cost);

}  // namespace tavo_eval
