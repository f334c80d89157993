#pragma once

// The --plot files of a run: the paths picture and, with --gt, the error
// picture next to it.

#include "cli/scoring.h"
#include "cli/target_paths.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace tavo_cli {

// Whether the pictures can go where they are named, checked before the run
// so that a long run does not end with nowhere to put them; false with
// `error` set when the directory is missing.
bool plotDirectoryExists(const std::string& plotName, std::string& error);

// Writes `plotName` and, when `scorer` is given, errorPlotName(plotName);
// false with `error` set when a file cannot be written.
bool writePlots(const std::string& plotName, const cv::Mat& firstFrame, const std::vector<TargetPath>& paths,
                const Scorer* scorer, std::string& error);

}  // namespace tavo_cli
