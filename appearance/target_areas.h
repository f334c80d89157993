#pragma once

// Where a tracker's objects are or may be in the next frame: each target's
// estimated rectangle, grown on every side, so that the background model
// does not learn the objects.

#include "core/tavo.h"

#include <vector>

// Each side of a target's rectangle grows by this share of its size: room
// for a frame's motion, and for the part of an object a box misses.
constexpr double kTargetAreaGrowth = 0.25;

// `rect` grown by `share` of its width and height on each side.
CvRect grownRect(CvRect rect, double share);
// The rectangle that grownRect(., share) grew into `area`, to within a
// pixel on each side: a target's own rectangle within its area.
CvRect shrunkRect(CvRect area, double share);

// The grown estimated rectangles of every target, into `areas` (cleared
// first; it keeps its storage from frame to frame).
void targetAreas(const tavo& tracker, std::vector<CvRect>& areas);
