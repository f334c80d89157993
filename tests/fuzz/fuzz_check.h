#pragma once

// CHECK for the fuzz harnesses: a broken invariant aborts with its text, so
// that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzCheckFailed(const char* harness, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", harness, what);
    std::abort();
}

#define CHECK(cond)                                     \
    do {                                                \
        if (!(cond))                                    \
            fuzzCheckFailed(FUZZ_HARNESS_NAME, #cond);  \
    } while (0)
