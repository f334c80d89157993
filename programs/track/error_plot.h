#pragma once

// The --plot picture for runs with --gt: every target's centre error over
// the frames (upper chart) and its overlap with the ground truth (lower
// chart, the success threshold marked), one line per id in its plot colour.

#include "evaluation/scoring.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace tavo_cli {

using tavo_eval::FrameScore;

// FILE.png -> FILE-errors.png, in the same directory.
std::string errorPlotName(const std::string& plotName);

// The picture; `scores` holds the frame scores of the targets `ids`, in
// the same order.
cv::Mat drawErrorPlot(const std::vector<int>& ids, const std::vector<std::vector<FrameScore>>& scores);

// The frames the frame axis is ticked at, from `first` to `last`: a
// tickStep spacing, but whole frames only.
std::vector<int> frameTicks(int first, int last);

// A target's legend entry: its id and its mean centre error ("7  3.25 px"),
// numbers whole however large.
std::string legendEntry(int id, const std::vector<FrameScore>& scores);

// A tick spacing of 1, 2 or 5 times a power of ten that divides `range`
// into at most `maxTicks` steps; 1 for an empty range.
double tickStep(double range, int maxTicks);

}  // namespace tavo_cli
