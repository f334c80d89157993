#pragma once

#include "core/tick_source.h"

#include <cstdint>

// One step of the 64-bit multiply-with-carry generator: with lo and hi the
// two 32-bit halves of the state, the next state is lo * 1554115554 + hi.
// The multiplier is Marsaglia's for a 64-bit multiply-with-carry generator
// of long period.
constexpr uint32_t kGeneratorMultiplier = 1554115554u;
inline uint64_t stepGenerator(uint64_t state)
{
    return (state & 0xFFFFFFFFu) * kGeneratorMultiplier + (state >> 32);
}

// An owned array of independent generator states, seeded once from a tick
// source.  Each state serves one consumer: standard normal values through
// fillNormal, raw 32-bit words through nextInt.
struct RandomPool {
    uint64_t* states = nullptr;  // null until seeded, and again after release
    int32_t count = 0;           // number of states; 0 until seeded

    RandomPool() = default;
    ~RandomPool() { release(); }
    RandomPool(const RandomPool&) = delete;
    RandomPool& operator=(const RandomPool&) = delete;

    // Allocates and seeds `count` states: state i is the i-th tick read plus
    // i (all ones instead of 0), each read followed by a sleep of (tick mod
    // 32) ms.  Returns 0 for a seeded pool, a count below 1 or no memory.
    int seed(int count, TickSource& ticks = systemTickSource());

    // Steps state `index` once and returns its new low word.
    uint32_t nextInt(int index);

    // Writes `count` standard normal values drawn from state `index`
    // (Monty Python method with a quadratic fast test).
    void fillNormal(float* out, int count, int index);

    // Frees the states; `count` keeps its value.
    void release();
};
