#pragma once

#include <cstddef>

// Rounds a byte count up to the next multiple of 32.
inline constexpr size_t align32(size_t bytes) { return (bytes + 31) & ~static_cast<size_t>(31); }

// 32-byte aligned storage from OpenCV's allocator.  Returns null instead of
// raising OpenCV's error when the memory cannot be had, so that callers can
// refuse cleanly.  Release with releaseAligned (null is accepted).
void* allocateAligned(size_t bytes);
void releaseAligned(void* block);
