#include "core/rect_memo.h"

#include <new>

namespace {

// Multipliers of a multiplicative hash (odd, with well-mixed bits).
constexpr uint32_t kHashX = 0x9E3779B1u;
constexpr uint32_t kHashY = 0x85EBCA77u;
constexpr uint32_t kHashWidth = 0xC2B2AE3Du;
constexpr uint32_t kHashHeight = 0x27D4EB2Fu;

inline uint32_t hashOf(const CvRect& r)
{
    uint32_t h = static_cast<uint32_t>(r.x) * kHashX ^ static_cast<uint32_t>(r.y) * kHashY ^
                 static_cast<uint32_t>(r.width) * kHashWidth ^ static_cast<uint32_t>(r.height) * kHashHeight;
    return h ^ (h >> 15);
}

inline bool same(const CvRect& a, const CvRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

}  // namespace

bool RectMemo::reserve(int rects)
{
    if (rects <= capacity_)
        return true;
    // Half full at most, so that probes stay short.
    size_t size = 1;
    while (size < 2 * static_cast<size_t>(rects))
        size *= 2;
    try {
        entries_.assign(size, Entry{CvRect{0, 0, 0, 0}, 0, 0.0f});
    } catch (const std::bad_alloc&) {
        entries_.clear();
        capacity_ = 0;
        return false;
    }
    capacity_ = rects;
    round_ = 1;
    used_ = 0;
    return true;
}

void RectMemo::startRound()
{
    used_ = 0;
    if (++round_ == 0) {
        // The stamp wrapped: stamps of old rounds could match again.
        for (Entry& e : entries_)
            e.round = 0;
        round_ = 1;
    }
}

float* RectMemo::find(const CvRect& r, bool& isNew)
{
    isNew = false;
    if (entries_.empty())
        return nullptr;
    const size_t mask = entries_.size() - 1;
    for (size_t k = hashOf(r) & mask;; k = (k + 1) & mask) {
        Entry& e = entries_[k];
        if (e.round != round_) {
            if (used_ == capacity_)
                return nullptr;
            ++used_;
            e.rect = r;
            e.round = round_;
            isNew = true;
            return &e.value;
        }
        if (same(e.rect, r))
            return &e.value;
    }
}
