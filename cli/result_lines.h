#pragma once

// The lines of the result files: MOTChallenge boxes and the estimates CSV.

#include "support/box.h"
#include "tracker/robust_motion.h"
#include "tracker/sample.h"

#include <optional>
#include <string>

namespace tavo_cli {

// The integer box the drawing outlines for an estimate, as top-left corner
// and size (w = X1 - X0 + 1, h = Y1 - Y0 + 1 of the drawing's corners).
Box estimateBox(const Sample& estimate, float baseWidth, float baseHeight);

// "frame,id,x,y,w,h,1,-1,-1,-1\n", or with a confidence in [0, 1] that
// instead of the 1, with four decimals.
std::string motLine(int frame, int id, const Box& box, std::optional<double> confidence = std::nullopt);

// The confidence a lost-and-found run writes for a target: 0 while it is
// lost, else its weighted mean likelihood.
double motConfidence(const MotionState& state);

// The estimates CSV: its header line and one line per target and frame,
// every float with %.9g so that it reads back to the same float.
extern const char* const kEstimatesHeader;
std::string estimateLine(int frame, int id, const Sample& estimate);

}  // namespace tavo_cli
