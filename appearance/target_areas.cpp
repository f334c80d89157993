#include "appearance/target_areas.h"

#include "appearance/reference_adaptation.h"

#include <cmath>

CvRect grownRect(CvRect rect, double share)
{
    const int dx = static_cast<int>(std::ceil(share * rect.width));
    const int dy = static_cast<int>(std::ceil(share * rect.height));
    return cvRect(rect.x - dx, rect.y - dy, rect.width + 2 * dx, rect.height + 2 * dy);
}

CvRect shrunkRect(CvRect area, double share)
{
    const int width = static_cast<int>(std::lround(area.width / (1.0 + 2.0 * share)));
    const int height = static_cast<int>(std::lround(area.height / (1.0 + 2.0 * share)));
    const int dx = (area.width - width) / 2, dy = (area.height - height) / 2;
    return cvRect(area.x + dx, area.y + dy, area.width - 2 * dx, area.height - 2 * dy);
}

void targetAreas(const tavo& tracker, std::vector<CvRect>& areas)
{
    areas.clear();
    for (const auto& target : tracker.targets)
        areas.push_back(grownRect(estimateRect(tracker, *target), kTargetAreaGrowth));
}
