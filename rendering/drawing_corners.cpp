#include "rendering/drawing_corners.h"

#include "core/sample.h"

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
    const CentredBox b = centredBox(posX, posY, scaleX, scaleY, baseWidth, baseHeight);
    DrawingCorners c;
    c.x0 = limit(b.x0);
    c.y0 = limit(b.y0);
    c.x1 = truncateCoordinate(static_cast<double>(c.x0) + b.width - 1.0);
    c.y1 = truncateCoordinate(static_cast<double>(c.y0) + b.height - 1.0);
    return c;
}
