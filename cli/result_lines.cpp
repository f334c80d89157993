#include "cli/result_lines.h"

#include "render/drawing_corners.h"

#include <algorithm>
#include <cstdio>

namespace tavo_cli {

Box estimateBox(const Sample& e, float baseWidth, float baseHeight)
{
    const DrawingCorners c = drawingCorners(e.posX, e.posY, e.scaleX, e.scaleY, baseWidth, baseHeight);
    // A one-pixel target whose estimated scale falls just below 1 has its
    // right corner truncated left of its left one; a box is never narrower
    // than one pixel.
    return Box{c.x0, c.y0, std::max(1, c.x1 - c.x0 + 1), std::max(1, c.y1 - c.y0 + 1)};
}

std::string motLine(int frame, int id, const Box& b, std::optional<double> confidence)
{
    char line[160];
    if (confidence)
        std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%d,%.4f,-1,-1,-1\n", frame, id, b.x, b.y, b.width,
                      b.height, std::min(1.0, std::max(0.0, *confidence)));
    else
        std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%d,1,-1,-1,-1\n", frame, id, b.x, b.y, b.width, b.height);
    return line;
}

double motConfidence(const MotionState& state) { return state.lost ? 0.0 : state.confidence; }

const char* const kEstimatesHeader = "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y\n";

std::string estimateLine(int frame, int id, const Sample& e)
{
    char line[256];
    std::snprintf(line, sizeof line, "%d,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", frame, id, e.posX, e.posY, e.velX,
                  e.velY, e.scaleX, e.scaleY);
    return line;
}

}  // namespace tavo_cli
