#include "support/worker_pool.h"

#include "support/row_bands.h"

WorkerPool::WorkerPool(int threads) : minBandPixels_(kMinBandPixels)
{
    try {
        for (int i = 1; i < threads; ++i)
            helpers_.emplace_back([this] { helperLoop(); });
    } catch (...) {
        stopHelpers();
        throw;
    }
}

WorkerPool::~WorkerPool() { stopHelpers(); }

void WorkerPool::stopHelpers()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    jobPosted_.notify_all();
    for (std::thread& t : helpers_)
        t.join();
}

void WorkerPool::runJob(int count, Call call, void* context)
{
    if (helpers_.empty() || count <= 1) {
        for (int i = 0; i < count; ++i)
            call(context, i);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        call_ = call;
        context_ = context;
        count_ = count;
        next_ = 0;
        running_ = static_cast<int>(helpers_.size());
        ++job_;
    }
    jobPosted_.notify_all();
    takeCalls();
    std::unique_lock<std::mutex> lock(mutex_);
    jobDone_.wait(lock, [this] { return running_ == 0; });
}

void WorkerPool::takeCalls()
{
    // Jobs here are a few dozen calls of a millisecond or less: handing out
    // indices under the lock costs nothing that matters.
    for (;;) {
        int i;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next_ >= count_)
                return;
            i = next_++;
        }
        call_(context_, i);
    }
}

void WorkerPool::helperLoop()
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            jobPosted_.wait(lock, [&] { return stopping_ || job_ != seen; });
            if (stopping_)
                return;
            seen = job_;
        }
        takeCalls();
        bool last;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last = --running_ == 0;
        }
        if (last)
            jobDone_.notify_one();
    }
}
