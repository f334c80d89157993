#include "core/tavo.h"

#include <algorithm>
#include <cmath>

namespace {

// The core of a cloud reaches this many weighted standard deviations of its
// sample centres from their weighted mean.
constexpr double kCoreDeviations = 2.0;

}  // namespace

int overlapArea(const Region& a, const Region& b)
{
    // 64-bit, so that far-apart boxes cannot overflow the differences.
    const int64_t w = static_cast<int64_t>(std::min(a.right, b.right)) - std::max(a.x, b.x) + 1;
    const int64_t h = static_cast<int64_t>(std::min(a.bottom, b.bottom)) - std::max(a.y, b.y) + 1;
    if (w < 1 || h < 1)
        return 0;
    return static_cast<int>(w * h);
}

Region tavo::cloudBoxOf(const Target& t, int n) const
{
    if (!(motion && motion->coreNeighbours)) {
        Region box = windowSamples[0].region;
        for (int i = 1; i < n; ++i) {
            const Region& r = windowSamples[i].region;
            box.x = std::min(box.x, r.x);
            box.y = std::min(box.y, r.y);
            box.right = std::max(box.right, r.right);
            box.bottom = std::max(box.bottom, r.bottom);
        }
        return box;
    }
    double weights = 0.0, sumX = 0.0, sumY = 0.0, squaresX = 0.0, squaresY = 0.0;
    for (int i = 0; i < n; ++i) {
        const Sample& s = windowSamples[i];
        const double w = s.weight;
        weights += w;
        sumX += w * s.posX;
        sumY += w * s.posY;
        squaresX += w * s.posX * s.posX;
        squaresY += w * s.posY * s.posY;
    }
    // Without weights (none measured yet) the core is the estimate's box.
    const bool weighed = weights > 0.0;
    const double meanX = weighed ? sumX / weights : t.estimate.posX;
    const double meanY = weighed ? sumY / weights : t.estimate.posY;
    const double spreadX = weighed ? std::sqrt(std::max(0.0, squaresX / weights - meanX * meanX)) : 0.0;
    const double spreadY = weighed ? std::sqrt(std::max(0.0, squaresY / weights - meanY * meanY)) : 0.0;
    const double reachX = kCoreDeviations * spreadX + 0.5 * t.baseWidth * t.estimate.scaleX;
    const double reachY = kCoreDeviations * spreadY + 0.5 * t.baseHeight * t.estimate.scaleY;
    const int x0 = static_cast<int>(std::floor(meanX - reachX));
    const int y0 = static_cast<int>(std::floor(meanY - reachY));
    return Region::fromRect(cvRect(x0, y0, static_cast<int>(std::ceil(meanX + reachX)) - x0 + 1,
                                   static_cast<int>(std::ceil(meanY + reachY)) - y0 + 1));
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
        t->cloudBox = cloudBoxOf(*t, n);
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
