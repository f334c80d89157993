#include "support/random_pool.h"

#include "support/aligned_alloc.h"

#include <cmath>
#include <cstring>

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
        const double x = asSigned(draw()) * 1.167239e-9;
        const double y = asUnsigned(draw()) * 2.328306e-10;
        const double ax = std::fabs(x);
        const double q = 2.8658 - ax * (2.0213 - 0.3605 * ax);
        double value;
        if (q > y) {
            value = x;
        } else if (ax < 1.17741) {
            value = x;
        } else {
            const double r = x > 0 ? 0.8857913 * (2.506628 - ax) : -0.8857913 * (2.506628 - ax);
            if (y > q + 0.0506) {
                value = r;
            } else if (std::log(y) < 0.6931472 - 0.5 * x * x) {
                value = x;
            } else if (std::log(1.8857913 - y) < 0.5718733 - 0.5 * r * r) {
                value = r;
            } else {
                // Exponential tail beyond 2.506628.
                double v, t;
                for (;;) {
                    v = asSigned(draw()) * 4.656613e-10;
                    t = -0.3989423 * std::log(std::fabs(v));
                    const double u = asUnsigned(draw()) * 2.328306e-10;
                    const double e = -std::log(u);
                    if (!(t * t > e + e))
                        break;
                }
                value = v > 0 ? 2.506628 + t : -2.506628 - t;
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
