#include "rendering/target_colours.h"

cv::Scalar targetColour(int id)
{
    // Strong colours that stay apart from each other and from the light,
    // faded frame they are drawn on; no grey, which the frames are full of.
    static const cv::Scalar colours[kTargetColourCount] = {
        {180, 119, 31},  // blue
        {14, 127, 255},  // orange
        {44, 160, 44},   // green
        {40, 39, 214},   // red
        {189, 103, 148}, // purple
        {75, 86, 140},   // brown
        {194, 119, 227}, // pink
        {34, 189, 188},  // olive
        {207, 190, 23},  // cyan
        {128, 0, 0},     // navy
    };
    return colours[id < 1 ? 0 : (id - 1) % kTargetColourCount];
}
