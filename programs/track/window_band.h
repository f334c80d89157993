#pragma once

// The picture a window shows: the frame as fitted (window_fit.h) on top,
// and below it, not over it, a band with one line of text (the frame
// number, the keys, what the window waits for).

#include "programs/track/window_fit.h"

#include <opencv2/core.hpp>

#include <string>

namespace tavo_cli {

// `shown` (the frame scaled to fit.shown) with the band below holding
// `text`; fit.window() in size.  Text too long for the band is made
// smaller to fit.
cv::Mat withBand(const cv::Mat& shown, const WindowFit& fit, const std::string& text);

}  // namespace tavo_cli
