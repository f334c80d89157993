#pragma once

// Frame-wide work split by rows: one band of rows per thread of a worker
// pool, for work whose rows do not depend on each other.

#include "support/worker_pool.h"

// The number of bands forRowBands makes for `pool` (null: one).
inline int rowBandCount(const WorkerPool* pool, int rows)
{
    const int threads = pool ? pool->threads() : 1;
    return rows < threads ? 1 : threads;
}

// Calls f(band, first, end) for each band of rows [first, end) of 0 ..
// rows, band 0 the topmost, on the pool's threads (null: one band on the
// caller).
template <class F>
void forRowBands(WorkerPool* pool, int rows, F f)
{
    const int bands = rowBandCount(pool, rows);
    if (bands == 1) {
        f(0, 0, rows);
        return;
    }
    auto band = [&](int i) {
        f(i, static_cast<int>(static_cast<long>(rows) * i / bands),
          static_cast<int>(static_cast<long>(rows) * (i + 1) / bands));
    };
    pool->run(bands, band);
}
