#pragma once

// Targets whose first-frame box gives the tracker nothing to recognise
// them by: a box of one grey level (all black, all white, uniform grey),
// as on the blank frames some videos begin with.

#include "support/box.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace tavo_cli {

// One warning per such target (ids in the order of `boxes`).
std::vector<std::string> blankBoxWarnings(const cv::Mat& firstFrame, const std::vector<Box>& boxes,
                                          const std::vector<int>& ids);

}  // namespace tavo_cli
