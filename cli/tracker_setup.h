#pragma once

// The first-frame set-up of a command-line run's tracker.

#include "cli/options.h"
#include "tracker/tavo.h"

#include <string>
#include <vector>

namespace tavo_cli {

// First-frame set-up of a tracker whose huePlane is set: sizes the store,
// sets both noise scales and the joint move's iterations, and adds the
// boxes in order (ids follow that order).  Up to kStandardTargetCount
// targets the store is sized exactly as the demo sizes it; beyond, with one
// block per target.  Returns false with `error` set
// when a box lies wholly outside the plane, the store cannot be had, or a
// target is refused; a refused set-up may leave the tracker half built.
bool setUpTracker(tavo& tracker, CvMat* huePlane, const std::vector<Box>& boxes, int samplesPerTarget, float noise,
                  int jointIterations, std::string& error);

// "X,Y,W,H"
std::string boxText(const Box& box);

}  // namespace tavo_cli
