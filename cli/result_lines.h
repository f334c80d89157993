#pragma once

// The lines of the result files: MOTChallenge boxes and the estimates CSV.

#include "support/box.h"
#include "tracker/robust_motion.h"
#include "tracker/sample.h"

#include <optional>
#include <string>

namespace tavo_cli {

// The estimate's own box, as written and scored: w = base width x scaleX,
// h = base height x scaleY, centred on (posX, posY), in double.  (The
// drawing outlines whole pixels by its own rule.)
RealBox estimateBox(const Sample& estimate, float baseWidth, float baseHeight);

// "frame,id,x,y,w,h,1,-1,-1,-1\n" with x, y, w and h to two decimals (a
// value that rounds to zero is written 0.00, never -0.00); with a
// confidence in [0, 1], that with four decimals instead of the 1.
std::string motLine(int frame, int id, const RealBox& box, std::optional<double> confidence = std::nullopt);

// The confidence a lost-and-found run writes for a target: 0 while it is
// lost, else its weighted mean likelihood.
double motConfidence(const MotionState& state);

// The estimates CSV: its header line and one line per target and frame,
// every float with %.9g so that it reads back to the same float.
extern const char* const kEstimatesHeader;
std::string estimateLine(int frame, int id, const Sample& estimate);

// "pos_x X, pos_y Y, vel_x ..., scale_y S" with %.9g, for messages.
std::string estimateText(const Sample& estimate);

}  // namespace tavo_cli
