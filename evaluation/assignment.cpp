#include "evaluation/assignment.h"

#include <limits>

namespace tavo_eval {

namespace {

// The O(n^2 m) shortest-augmenting-path form for n <= m rows and columns;
// row i (1-based internally) ends up in column of[i].
std::vector<int> assignRows(const std::vector<std::vector<double>>& a, int n, int m)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> u(n + 1, 0.0), v(m + 1, 0.0);
    std::vector<int> rowOfColumn(m + 1, 0), way(m + 1, 0);
    for (int i = 1; i <= n; ++i) {
        rowOfColumn[0] = i;
        int j0 = 0;
        std::vector<double> minv(m + 1, inf);
        std::vector<char> used(m + 1, 0);
        do {
            used[j0] = 1;
            const int i0 = rowOfColumn[j0];
            double delta = inf;
            int j1 = 0;
            for (int j = 1; j <= m; ++j) {
                if (used[j])
                    continue;
                const double cur = a[i0 - 1][j - 1] - u[i0] - v[j];
                if (cur < minv[j]) {
                    minv[j] = cur;
                    way[j] = j0;
                }
                if (minv[j] < delta) {
                    delta = minv[j];
                    j1 = j;
                }
            }
            for (int j = 0; j <= m; ++j) {
                if (used[j]) {
                    u[rowOfColumn[j]] += delta;
                    v[j] -= delta;
                } else {
                    minv[j] -= delta;
                }
            }
            j0 = j1;
        } while (rowOfColumn[j0] != 0);
        do {
            const int j1 = way[j0];
            rowOfColumn[j0] = rowOfColumn[j1];
            j0 = j1;
        } while (j0 != 0);
    }
    std::vector<int> columnOfRow(n, -1);
    for (int j = 1; j <= m; ++j)
        if (rowOfColumn[j] != 0)
            columnOfRow[rowOfColumn[j] - 1] = j - 1;
    return columnOfRow;
}

}  // namespace

std::vector<int> minimumCostAssignment(const std::vector<std::vector<double>>& cost)
{
    const int rows = static_cast<int>(cost.size());
    const int columns = rows == 0 ? 0 : static_cast<int>(cost[0].size());
    if (rows == 0 || columns == 0)
        return std::vector<int>(rows, -1);
    if (rows <= columns)
        return assignRows(cost, rows, columns);

    // More rows than columns: assign the columns to rows instead.
    std::vector<std::vector<double>> transposed(columns, std::vector<double>(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            transposed[c][r] = cost[r][c];
    const std::vector<int> rowOfColumn = assignRows(transposed, columns, rows);
    std::vector<int> columnOfRow(rows, -1);
    for (int c = 0; c < columns; ++c)
        columnOfRow[rowOfColumn[c]] = c;
    return columnOfRow;
}

}  // namespace tavo_eval
