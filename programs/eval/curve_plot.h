#pragma once

// The --plot picture of tavo-eval: the success curves (overlap
// thresholds) and the precision curves (centre-error thresholds) side by
// side, a line per tracker, the legend giving its AUC and its precision at
// 20 pixels.

#include "evaluation/evaluation.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace tavo_eval_cli {

struct PlottedTracker {
    std::string name;
    tavo_eval::MeanCurves curves;
};

cv::Mat drawCurvePlot(const std::vector<PlottedTracker>& trackers);

}  // namespace tavo_eval_cli
