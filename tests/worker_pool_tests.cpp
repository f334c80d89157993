// The worker pool calls every index of a job exactly once, on any number of
// threads, and is done with a job when run returns.

#include "support/row_bands.h"
#include "support/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(WorkerPool, EveryIndexOnceForEveryThreadCountAndJobSize)
{
    for (int threads : {1, 2, 3, 5}) {
        WorkerPool pool(threads);
        EXPECT_EQ(threads, pool.threads());
        for (int count : {0, 1, 2, 9, 30, 100}) {
            // Many jobs in a row: no call of one job may leak into the next.
            for (int job = 0; job < 20; ++job) {
                std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
                auto call = [&](int i) { calls[static_cast<size_t>(i)].fetch_add(1 + job); };
                pool.run(count, call);
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(1 + job, calls[static_cast<size_t>(i)].load())
                        << threads << " threads, " << count << " calls, index " << i;
            }
        }
    }
}

TEST(WorkerPool, OneThreadRunsTheCallsInOrderOnTheCaller)
{
    WorkerPool pool(1);
    std::vector<int> order;
    const std::thread::id caller = std::this_thread::get_id();
    bool allOnCaller = true;
    auto call = [&](int i) {
        order.push_back(i);
        allOnCaller = allOnCaller && std::this_thread::get_id() == caller;
    };
    pool.run(6, call);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), order);
    EXPECT_TRUE(allOnCaller);
}

TEST(RowBands, SmallFramesStayWholeAndBandsCoverEveryRowOnce)
{
    WorkerPool two(2), three(3);
    EXPECT_EQ(rowBandCount(nullptr, 2160, 3840), 1);
    EXPECT_EQ(rowBandCount(&two, 240, 320), 1);    // too small to be worth a thread
    EXPECT_EQ(rowBandCount(&two, 480, 640), 1);
    EXPECT_EQ(rowBandCount(&two, 576, 768), 2);
    EXPECT_EQ(rowBandCount(&three, 720, 1280), 3);
    EXPECT_EQ(rowBandCount(&three, 576, 768), 2);  // no band under the least
    three.setMinBandPixels(1);
    EXPECT_EQ(rowBandCount(&three, 2, 5), 2);      // never more bands than rows
    for (const int rows : {1, 7, 576}) {
        std::vector<std::atomic<int>> covered(static_cast<size_t>(rows));
        forRowBands(&three, rows, 4, [&](int, int first, int end) {
            for (int r = first; r < end; ++r)
                ++covered[static_cast<size_t>(r)];
        });
        for (const auto& c : covered)
            EXPECT_EQ(c.load(), 1);
    }
}
