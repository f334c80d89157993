#include "appearance/reference_adaptation.h"

CvRect estimateRect(const tavo& tracker, const Target& t)
{
    return t.estimate.imageRect(0, 0, static_cast<int>(tracker.frameWidth), static_cast<int>(tracker.frameHeight),
                                t.baseWidth, t.baseHeight);
}

int adaptReferences(tavo& tracker, const AdaptationSettings& settings)
{
    if (!(settings.rate > 0.0))
        return 0;
    int adapted = 0;
    for (const auto& owned : tracker.targets) {
        Target& t = *owned;
        if (!t.model)
            continue;
        const CvRect rect = estimateRect(tracker, t);
        const Region own = Region::fromRect(rect);
        bool overlapped = false;
        for (const auto& other : tracker.targets)
            if (other.get() != &t && overlapArea(own, Region::fromRect(estimateRect(tracker, *other))) != 0)
                overlapped = true;
        if (overlapped || t.model->similarity(rect) < settings.minSimilarity)
            continue;
        t.model->update(rect, settings.rate);
        ++adapted;
    }
    return adapted;
}
