#pragma once

// How a tracked frame is drawn for a viewer (tavo-track --draw).

#include <optional>
#include <string>

enum class DrawingStyle {
    Design,   // the tracker's own drawing: sample outlines, estimates, neighbour links, id labels
    Boxes,    // BoxDrawing: each target's box, label and trail in its colour
    Samples,  // Boxes over each target's samples, drawn faintly
};

// "design", "boxes", "samples"; nothing for any other word.
std::optional<DrawingStyle> drawingStyleNamed(const std::string& name);
