#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of helper threads that share each job's calls f(0) .. f(count
// - 1) with the calling thread; run returns when every call has returned.
// Threads are started once, by the constructor, and joined by the
// destructor.  With one thread every call runs on the caller, in order.
class WorkerPool {
public:
    // `threads` threads in all (the caller and threads - 1 helpers); at
    // least one.  Throws std::system_error when a thread cannot be started
    // (those started are stopped first).
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threads() const { return static_cast<int>(helpers_.size()) + 1; }

    // The fewest pixels a band of rows of an image must hold for
    // forRowBands to hand it to a thread of its own (see row_bands.h);
    // tests set 1 to split small images.
    long minBandPixels() const { return minBandPixels_; }
    void setMinBandPixels(long pixels) { minBandPixels_ = pixels < 1 ? 1 : pixels; }

    // Calls f(i) for every i in 0 .. count - 1, in any order and on any of
    // the threads; the calls must not depend on each other.
    template <class F>
    void run(int count, F& f)
    {
        runJob(count, [](void* context, int i) { (*static_cast<F*>(context))(i); }, &f);
    }

private:
    using Call = void (*)(void* context, int index);
    void runJob(int count, Call call, void* context);
    void helperLoop();
    void stopHelpers();
    // Takes indices of the current job until none is left.
    void takeCalls();

    std::vector<std::thread> helpers_;
    long minBandPixels_;
    std::mutex mutex_;
    std::condition_variable jobPosted_;
    std::condition_variable jobDone_;
    uint64_t job_ = 0;  // counts posted jobs
    bool stopping_ = false;
    Call call_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0;
    int next_ = 0;     // the next index to hand out, under mutex_
    int running_ = 0;  // helpers still working on the current job
};
