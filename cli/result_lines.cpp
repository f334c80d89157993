#include "cli/result_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavo_cli {

RealBox estimateBox(const Sample& e, float baseWidth, float baseHeight)
{
    const double width = static_cast<double>(baseWidth) * e.scaleX;
    const double height = static_cast<double>(baseHeight) * e.scaleY;
    return RealBox{e.posX - 0.5 * width, e.posY - 0.5 * height, width, height};
}

namespace {

// v to two decimals, without a minus sign on zero.
std::string twoDecimals(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return std::strcmp(text, "-0.00") == 0 ? std::string("0.00") : std::string(text);
}

}  // namespace

std::string motLine(int frame, int id, const RealBox& b, std::optional<double> confidence)
{
    char conf[32] = "1";
    if (confidence)
        std::snprintf(conf, sizeof conf, "%.4f", std::min(1.0, std::max(0.0, *confidence)));
    return std::to_string(frame) + "," + std::to_string(id) + "," + twoDecimals(b.x) + "," + twoDecimals(b.y) + "," +
           twoDecimals(b.width) + "," + twoDecimals(b.height) + "," + conf + ",-1,-1,-1\n";
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

std::string estimateText(const Sample& e)
{
    char text[256];
    std::snprintf(text, sizeof text, "pos_x %.9g, pos_y %.9g, vel_x %.9g, vel_y %.9g, scale_x %.9g, scale_y %.9g",
                  e.posX, e.posY, e.velX, e.velY, e.scaleX, e.scaleY);
    return text;
}

}  // namespace tavo_cli
