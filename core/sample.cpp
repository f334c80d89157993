#include "core/sample.h"

#include <opencv2/core/fast_math.hpp>

#include <algorithm>

Region Region::fromRect(CvRect r)
{
    Region g;
    g.x = r.x;
    g.y = r.y;
    g.width = r.width;
    g.height = r.height;
    // Formed in 64 bits so that an absurd rectangle wraps instead of
    // overflowing; every rectangle the tracker makes is far inside the range.
    g.area = static_cast<int32_t>(static_cast<int64_t>(r.width) * r.height);
    g.right = static_cast<int32_t>(static_cast<int64_t>(r.x) + r.width - 1);
    g.bottom = static_cast<int32_t>(static_cast<int64_t>(r.y) + r.height - 1);
    g.centerX = static_cast<float>(r.x + (r.width - 1) * 0.5);
    g.centerY = static_cast<float>(r.y + (r.height - 1) * 0.5);
    return g;
}

CentredBox centredBox(float posX, float posY, float scaleX, float scaleY, float baseWidth, float baseHeight)
{
    CentredBox b;
    b.width = static_cast<float>(static_cast<double>(scaleX) * baseWidth);
    b.height = static_cast<float>(static_cast<double>(scaleY) * baseHeight);
    b.x0 = cvRound(static_cast<double>(posX) - static_cast<double>(b.width) * 0.5);
    b.y0 = cvRound(static_cast<double>(posY) - static_cast<double>(b.height) * 0.5);
    return b;
}

CvRect Sample::imageRect(int minX, int minY, int maxX, int maxY, float baseWidth, float baseHeight) const
{
    const CentredBox b = centredBox(posX, posY, scaleX, scaleY, baseWidth, baseHeight);
    CvRect r;
    r.x = std::min(std::max(b.x0, minX), maxX - 1);
    r.y = std::min(std::max(b.y0, minY), maxY - 1);
    r.width = std::max(1, std::min(cvRound(b.width), maxX - r.x));
    r.height = std::max(1, std::min(cvRound(b.height), maxY - r.y));
    return r;
}
