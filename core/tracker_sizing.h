#pragma once

// How a tracker sizes itself, and how much it can hold.

#include "core/sample.h"

#include <climits>
#include <cstdint>

// Target blocks the store is sized for by init when no count is given.
constexpr int kStandardTargetCount = 10;

// Sampling tables of 2^18 entries: a uniform 18-bit index picks a sample in
// proportion to its weight, finely enough for shares of 1/500 and below.
constexpr int kStandardTableMask = 0x3ffff;

// Iterations of the joint move per frame unless the tracker is told
// otherwise (tavo::jointIterations).
constexpr int kStandardJointIterations = 5000;

// The argument of runJointStage that stands for the tracker's own setting.
constexpr int kUseJointIterationSetting = -1;

// The store keeps its byte size in a 32-bit int.  Per slot it holds one
// sample and one noise value in x and in y; besides, two 32-byte noise
// headers, and each of its three sections is rounded up to 32 bytes (at most
// 31 bytes each).  This many slots always fit.
constexpr int64_t kMaxStoreSlots =
    (INT32_MAX - 2 * 32 - 3 * 31) / static_cast<int64_t>(sizeof(Sample) + 2 * sizeof(float));

// How many targets of `samplesPerTarget` samples fit in one store; 0 for a
// count below 1.
constexpr int64_t targetsThatFit(int samplesPerTarget)
{
    return samplesPerTarget > 0 ? kMaxStoreSlots / samplesPerTarget : 0;
}
