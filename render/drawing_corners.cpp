#include "render/drawing_corners.h"

#include <opencv2/core/fast_math.hpp>

namespace {

constexpr int kFar = 1 << 24;

inline int limit(int v) { return v < -kFar ? -kFar : (v > kFar ? kFar : v); }

}  // namespace

int truncateCoordinate(double v)
{
    if (v != v)
        return 0;
    if (v < -kFar)
        return -kFar;
    if (v > kFar)
        return kFar;
    return static_cast<int>(v);
}

DrawingCorners drawingCorners(float posX, float posY, float scaleX, float scaleY, float baseWidth,
                              float baseHeight)
{
    const float w = static_cast<float>(static_cast<double>(scaleX) * baseWidth);
    const float h = static_cast<float>(static_cast<double>(scaleY) * baseHeight);
    DrawingCorners c;
    c.x0 = limit(cvRound(static_cast<double>(posX) - 0.5 * w));
    c.y0 = limit(cvRound(static_cast<double>(posY) - 0.5 * h));
    c.x1 = truncateCoordinate(static_cast<double>(c.x0) + w - 1.0);
    c.y1 = truncateCoordinate(static_cast<double>(c.y0) + h - 1.0);
    return c;
}
