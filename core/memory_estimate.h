#pragma once

// The memory a run's tracker takes, estimated from the tracker's own sizing
// before anything is built, so that a run the machine cannot hold is
// refused at once instead of failing (or swapping) on the way.

#include <cstdint>
#include <optional>
#include <string>

struct TrackerMemory {
    uint64_t store = 0;      // samples, noise, scratch and pool states of the whole store
    uint64_t perTarget = 0;  // a target's sampling table, neighbour list and colour models
    uint64_t total = 0;
};

// For `targets` targets of `samplesPerTarget` samples, sized as
// a tracking session sizes its tracker.
TrackerMemory trackerMemory(int64_t targets, int samplesPerTarget);

// The machine's physical memory in bytes (0 when unknown).
uint64_t physicalMemory();

// A refusal, as a message, when the run needs more than `available` bytes
// (nothing when it fits or `available` is unknown).
std::optional<std::string> memoryRefusal(int64_t targets, int samplesPerTarget, uint64_t available);

// "512 bytes", "2.0 MiB", "95.3 GiB".
std::string byteCount(uint64_t bytes);

