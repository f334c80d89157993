#pragma once

#include <cstdint>

// Where random pools get their seeds from.  A pool reads one tick value per
// generator state and may sleep a little between reads, so that successive
// states come from visibly different counter values.
class TickSource {
public:
    virtual ~TickSource() = default;
    // The next value of the tick counter.
    virtual int64_t readTicks() = 0;
    // Pause for the given number of milliseconds (may do nothing).
    virtual void sleepMilliseconds(int milliseconds) = 0;
};

// The real high-resolution counter (OpenCV's cvGetTickCount) with a real
// millisecond sleep: runs are not reproducible.
class SystemTickSource final : public TickSource {
public:
    int64_t readTicks() override;
    void sleepMilliseconds(int milliseconds) override;
};

// A reproducible counter: the k-th read (k = 0, 1, 2, ... over the life of
// this object) returns start + k, and sleeping does nothing.  Share one
// object between all pools of a run to number the reads across the run.
class CountingTickSource final : public TickSource {
public:
    explicit CountingTickSource(int64_t start) : next_(static_cast<uint64_t>(start)) {}
    int64_t readTicks() override { return static_cast<int64_t>(next_++); }
    void sleepMilliseconds(int) override {}
    // The value the next read will return.
    int64_t peek() const { return static_cast<int64_t>(next_); }

private:
    uint64_t next_;  // unsigned, so that counting past INT64_MAX wraps cleanly
};

// The process's shared real tick source, the default of every pool.
TickSource& systemTickSource();

// A seed for a run that was given none, from the operating system's
// entropy: printed, it lets the run be repeated.
int64_t drawSeed();
