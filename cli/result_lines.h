#pragma once

// The lines of the result files: MOTChallenge boxes and the estimates CSV.

#include "support/box.h"
#include "tracker/sample.h"

#include <string>

namespace tavo_cli {

// The integer box the drawing outlines for an estimate, as top-left corner
// and size (w = X1 - X0 + 1, h = Y1 - Y0 + 1 of the drawing's corners).
Box estimateBox(const Sample& estimate, float baseWidth, float baseHeight);

// "frame,id,x,y,w,h,1,-1,-1,-1\n"
std::string motLine(int frame, int id, const Box& box);

// The estimates CSV: its header line and one line per target and frame,
// every float with %.9g so that it reads back to the same float.
extern const char* const kEstimatesHeader;
std::string estimateLine(int frame, int id, const Sample& estimate);

// "pos_x X, pos_y Y, vel_x ..., scale_y S" with %.9g, for messages.
std::string estimateText(const Sample& estimate);

}  // namespace tavo_cli
