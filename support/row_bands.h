#pragma once

// Frame-wide work split by rows: one band of rows per thread of a worker
// pool, for work whose rows do not depend on each other.

#include "support/worker_pool.h"

#include <algorithm>

// The fewest pixels worth a band of their own, unless a pool says
// otherwise.  Handing a band to another thread costs a wake-up and moves
// the band's data between processors' caches: measured on 2 threads,
// splitting frames of up to 640x480 (150,000 pixels a band) made them no
// faster, and up to 1.7x slower at 320x240.
constexpr long kMinBandPixels = 200000;

// The number of bands forRowBands makes for `pool` (null: one) over a
// rows x cols image: one per thread, fewer when the bands would hold fewer
// than the pool's minBandPixels each.
inline int rowBandCount(const WorkerPool* pool, int rows, int cols)
{
    if (!pool)
        return 1;
    const long pixels = static_cast<long>(rows) * cols;
    const long worth = std::min<long>(pool->threads(), std::max(1L, pixels / pool->minBandPixels()));
    return static_cast<int>(std::max(1L, std::min<long>(worth, rows)));
}

// Calls f(band, first, end) for each band of rows [first, end) of 0 ..
// rows of a rows x cols image, band 0 the topmost, on the pool's threads
// (null: one band on the caller).
template <class F>
void forRowBands(WorkerPool* pool, int rows, int cols, F f)
{
    const int bands = rowBandCount(pool, rows, cols);
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
