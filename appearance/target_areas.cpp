#include "appearance/target_areas.h"

#include "appearance/reference_adaptation.h"

#include <algorithm>
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

namespace {

void include(CvRect& area, int x0, int y0, int x1, int y1)
{
    if (area.width == 0) {
        area = cvRect(x0, y0, x1 - x0, y1 - y0);
        return;
    }
    const int left = std::min(area.x, x0), top = std::min(area.y, y0);
    area = cvRect(left, top, std::max(area.x + area.width, x1) - left, std::max(area.y + area.height, y1) - top);
}

}  // namespace

CvRect nearArea(const tavo& tracker, const std::vector<CvRect>& held, int cols, int rows)
{
    CvRect area = cvRect(0, 0, 0, 0);
    for (const auto& target : tracker.targets) {
        const Region& cloud = target->cloudBox;
        if (cloud.area == 0)
            return cvRect(0, 0, cols, rows);
        const CvRect estimate = estimateRect(tracker, *target);
        const double side = std::max({static_cast<double>(estimate.width), static_cast<double>(estimate.height),
                                      static_cast<double>(target->baseWidth), static_cast<double>(target->baseHeight)});
        const int reach = static_cast<int>(std::ceil(kNearReach * side));
        include(area, cloud.x - reach, cloud.y - reach, cloud.right + 1 + reach, cloud.bottom + 1 + reach);
    }
    for (const CvRect& r : held)
        include(area, r.x, r.y, r.x + r.width, r.y + r.height);
    const int x0 = std::max(0, area.x), y0 = std::max(0, area.y);
    const int x1 = std::min(cols, area.x + area.width), y1 = std::min(rows, area.y + area.height);
    return x1 > x0 && y1 > y0 ? cvRect(x0, y0, x1 - x0, y1 - y0) : cvRect(0, 0, 0, 0);
}
