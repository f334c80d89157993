#include "tracker/sample.h"

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

CvRect Sample::imageRect(int minX, int minY, int maxX, int maxY, float baseWidth, float baseHeight) const
{
    const float fw = static_cast<float>(static_cast<double>(scaleX) * baseWidth);
    const float fh = static_cast<float>(static_cast<double>(scaleY) * baseHeight);
    const int x0 = cvRound(static_cast<double>(posX) - static_cast<double>(fw) * 0.5);
    const int y0 = cvRound(static_cast<double>(posY) - static_cast<double>(fh) * 0.5);
    CvRect r;
    r.x = std::min(std::max(x0, minX), maxX - 1);
    r.y = std::min(std::max(y0, minY), maxY - 1);
    r.width = std::max(1, std::min(cvRound(fw), maxX - r.x));
    r.height = std::max(1, std::min(cvRound(fh), maxY - r.y));
    return r;
}
