#pragma once

// The --plot picture: every target's path drawn over the first frame, in
// the target's colour (targetColour): a line through its centres with a dot
// per frame, its first box outlined thin and its last box thick, its id
// beside the first box (white tag) and the last box (filled tag), on the
// side away from the path.

#include "programs/track/target_paths.h"

#include <opencv2/core.hpp>

#include <vector>

namespace tavo_cli {

// The picture, the size of the frame; `firstFrame` is 8-bit BGR.
cv::Mat drawPathPlot(const cv::Mat& firstFrame, const std::vector<TargetPath>& paths);

}  // namespace tavo_cli
