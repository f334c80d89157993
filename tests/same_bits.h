#pragma once

// Bit-for-bit comparison of floating-point results, NaNs and signed zeros
// included, for the tests that hold the tracker to its literal steps.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

inline uint32_t bitsOf(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline uint64_t bitsOf(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The n floats of a and b, bit for bit; the first difference is reported.
inline ::testing::AssertionResult sameBits(const float* a, const float* b, int n)
{
    for (int i = 0; i < n; ++i)
        if (bitsOf(a[i]) != bitsOf(b[i]))
            return ::testing::AssertionFailure() << "index " << i << ": " << a[i] << " vs " << b[i];
    return ::testing::AssertionSuccess();
}
