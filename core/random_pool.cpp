#include "core/random_pool.h"

#include "support/aligned_alloc.h"

#include <cmath>
#include <cstring>

namespace {

// Constants of the Monty Python normal sampler.  The density is split at
// b = sqrt(2 pi), where the standard normal's area outside [-b, b] is
// covered by a tail; x is drawn uniformly from (-b, b), y from [0, 1).
constexpr double kSignedToX = 1.167239e-9;     // b / 2^31: int32 word -> x
constexpr double kUnsignedToUnit = 2.328306e-10;  // 2^-32: uint32 word -> [0, 1)
constexpr double kSignedToUnit = 4.656613e-10;    // 2^-31: int32 word -> (-1, 1)
constexpr double kB = 2.506628;                   // sqrt(2 pi)
// Quadratic lower bound of the acceptance curve: accept x at once when
// y < kQ0 - |x| (kQ1 - kQ2 |x|).
constexpr double kQ0 = 2.8658, kQ1 = 2.0213, kQ2 = 0.3605;
constexpr double kA = 1.17741;          // sqrt(2 ln 2): below it x is always kept
constexpr double kStretch = 0.8857913;  // (b - |x|) scaled onto the rotated part
constexpr double kUpperSlack = 0.0506;  // margin above the quadratic bound: r at once
constexpr double kLn2 = 0.6931472;      // ln 2: the density test for x
constexpr double kOnePlusStretch = 1.8857913;
constexpr double kRotatedLogBound = 0.5718733;  // the density test for r
constexpr double kInvB = 0.3989423;             // 1 / b: scale of the exponential tail

}  // namespace

int RandomPool::seed(int n, TickSource& ticks)
{
    if (states != nullptr || n <= 0)
        return 0;
    const size_t bytes = align32(static_cast<size_t>(n) * sizeof(uint64_t));
    void* block = allocateAligned(bytes);
    if (!block)
        return 0;
    std::memset(block, 0, bytes);
    states = static_cast<uint64_t*>(block);
    count = n;
    for (int i = 0; i < n; ++i) {
        const int64_t t = ticks.readTicks();
        const uint64_t s = static_cast<uint64_t>(t) + static_cast<uint64_t>(i);
        states[i] = s != 0 ? s : ~static_cast<uint64_t>(0);
        ticks.sleepMilliseconds(static_cast<int>(static_cast<uint64_t>(t) % 32u));
    }
    return 1;
}

uint32_t RandomPool::nextInt(int index)
{
    states[index] = stepGenerator(states[index]);
    return static_cast<uint32_t>(states[index]);
}

void RandomPool::fillNormal(float* out, int n, int index)
{
    if (n <= 0)
        return;
    uint64_t state = states[index];
    // A draw hands out the current low word, then steps the state.
    auto draw = [&state]() {
        const uint32_t word = static_cast<uint32_t>(state);
        state = stepGenerator(state);
        return word;
    };
    auto asSigned = [](uint32_t word) { return static_cast<double>(static_cast<int32_t>(word)); };
    auto asUnsigned = [](uint32_t word) { return static_cast<double>(word); };

    for (int i = 0; i < n; ++i) {
        const double x = asSigned(draw()) * kSignedToX;
        const double y = asUnsigned(draw()) * kUnsignedToUnit;
        const double ax = std::fabs(x);
        const double q = kQ0 - ax * (kQ1 - kQ2 * ax);
        double value;
        if (q > y) {
            value = x;
        } else if (ax < kA) {
            value = x;
        } else {
            const double r = x > 0 ? kStretch * (kB - ax) : -kStretch * (kB - ax);
            if (y > q + kUpperSlack) {
                value = r;
            } else if (std::log(y) < kLn2 - 0.5 * x * x) {
                value = x;
            } else if (std::log(kOnePlusStretch - y) < kRotatedLogBound - 0.5 * r * r) {
                value = r;
            } else {
                // Exponential tail beyond b.
                double v, t;
                for (;;) {
                    v = asSigned(draw()) * kSignedToUnit;
                    t = -kInvB * std::log(std::fabs(v));
                    const double u = asUnsigned(draw()) * kUnsignedToUnit;
                    const double e = -std::log(u);
                    if (!(t * t > e + e))
                        break;
                }
                value = v > 0 ? kB + t : -kB - t;
            }
        }
        out[i] = static_cast<float>(value);
    }
    states[index] = state;
}

void RandomPool::release()
{
    if (states) {
        releaseAligned(states);
        states = nullptr;
    }
}
