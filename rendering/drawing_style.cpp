#include "rendering/drawing_style.h"

std::optional<DrawingStyle> drawingStyleNamed(const std::string& name)
{
    if (name == "design")
        return DrawingStyle::Design;
    if (name == "boxes")
        return DrawingStyle::Boxes;
    if (name == "samples")
        return DrawingStyle::Samples;
    return std::nullopt;
}
