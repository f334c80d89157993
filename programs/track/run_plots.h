#pragma once

// The --plot pictures of a run: the paths picture and, with --gt, the error
// picture next to it (errorPlotName), drawn at the end of the run and
// written into the run's outputs, which keep or discard them with the
// other result files.

#include "programs/track/outputs.h"
#include "evaluation/scoring.h"
#include "programs/track/target_paths.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace tavo_cli {

using tavo_eval::Scorer;

// Draws the paths picture and, when `scorer` is given, the error picture,
// and writes them; false with `error` set when one cannot be written.
bool writePlots(Outputs& outputs, const cv::Mat& firstFrame, const std::vector<TargetPath>& paths,
                const Scorer* scorer, std::string& error);

}  // namespace tavo_cli
