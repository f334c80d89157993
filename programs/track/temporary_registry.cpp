#include "programs/track/temporary_registry.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace tavo_cli {

namespace {

// A name the system accepts is shorter than PATH_MAX, so every temporary
// that could be created fits.
struct Slot {
    std::atomic<bool> used{false};
    char path[PATH_MAX];
};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

Slot slots[kRegisteredTemporaries];

}  // namespace

int registerTemporary(const char* path)
{
    const size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (int i = 0; i < kRegisteredTemporaries; ++i) {
        if (slots[i].used.load(std::memory_order_acquire))
            continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].used.store(true, std::memory_order_release);  // the name is complete before it counts
        return i;
    }
    return -1;
}

void forgetTemporary(int slot)
{
    if (slot >= 0 && slot < kRegisteredTemporaries)
        slots[slot].used.store(false, std::memory_order_release);
}

void removeRegisteredTemporaries()
{
    for (Slot& slot : slots)
        if (slot.used.load(std::memory_order_acquire))
            ::unlink(slot.path);
}

}  // namespace tavo_cli
