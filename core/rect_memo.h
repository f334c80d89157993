#pragma once

#include <opencv2/core/types_c.h>

#include <cstdint>
#include <vector>

// Values remembered per pixel rectangle for one round (one target's
// measurement, one target's outlines): an open-addressing table sized once,
// emptied for the next round in constant time by a round stamp.
class RectMemo {
public:
    // Room for `rects` distinct rectangles per round; the only allocation.
    // False when the memory cannot be had (the memo then holds none).
    bool reserve(int rects);
    // Distinct rectangles one round can hold.
    int capacity() const { return capacity_; }
    // Forgets every rectangle of the last round.
    void startRound();
    // The value slot of `r` in this round; `isNew` tells whether r was not
    // met before in the round (its slot is then the caller's to fill).
    // Null, with nothing stored, once the round holds `capacity` rectangles.
    float* find(const CvRect& r, bool& isNew);

private:
    struct Entry {
        CvRect rect;
        uint32_t round;
        float value;
    };
    std::vector<Entry> entries_;  // a power of two, at least twice the capacity
    uint32_t round_ = 1;  // entries of round 0 are free
    int capacity_ = 0;
    int used_ = 0;
};
