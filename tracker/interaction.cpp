#include "tracker/tavo.h"

#include <algorithm>

int overlapArea(const Region& a, const Region& b)
{
    // 64-bit, so that far-apart boxes cannot overflow the differences.
    const int64_t w = static_cast<int64_t>(std::min(a.right, b.right)) - std::max(a.x, b.x) + 1;
    const int64_t h = static_cast<int64_t>(std::min(a.bottom, b.bottom)) - std::max(a.y, b.y) + 1;
    if (w < 1 || h < 1)
        return 0;
    return static_cast<int>(w * h);
}

void tavo::findNeighbours()
{
    if (targets.empty())
        return;

    // Box every sample cloud and reset the votes.
    for (const auto& owned : targets) {
        Target* t = owned.get();
        selectTarget(t->firstSample, nullptr);
        const int n = t->sampleCount;
        Region& box = t->cloudBox;
        box = windowSamples[0].region;
        for (int i = 1; i < n; ++i) {
            const Region& r = windowSamples[i].region;
            box.x = std::min(box.x, r.x);
            box.y = std::min(box.y, r.y);
            box.right = std::max(box.right, r.right);
            box.bottom = std::max(box.bottom, r.bottom);
        }
        for (int i = 0; i < n; ++i)
            windowSamples[i].vote = FLT_EPSILON;
    }

    // Targets whose boxes overlap are each other's neighbours.
    for (const auto& a : targets) {
        a->neighbours.clear();
        for (const auto& b : targets)
            if (b->id != a->id && overlapArea(b->cloudBox, a->cloudBox) != 0)
                a->neighbours.push_back(b.get());
    }
}
