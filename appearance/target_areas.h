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

// How far beyond a target's sample cloud the next frame's samples and box
// fit may reach, in the larger side of its box (the estimate's or the
// first box's): the fit searches within kFitReach (1.0) of it from the
// estimate's centre, inside the cloud, and a frame's motion moves the
// cloud by less than a box.
constexpr double kNearReach = 1.0;

// The part of the frame the targets can reach in the next frame: every
// target's sample cloud of the last frame grown by kNearReach, and the
// `held` areas, in one rectangle.  The whole frame while some target has
// not been tracked yet (no cloud); empty without targets.
CvRect nearArea(const tavo& tracker, const std::vector<CvRect>& held, int cols, int rows);
