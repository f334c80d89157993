#pragma once

// The colour of a target in the --plot pictures: the same for its path and
// for its error curves, distinct for the first ten ids and repeated after.

#include <opencv2/core.hpp>

namespace tavo_cli {

constexpr int kPlotColourCount = 10;

// Blue-green-red, for ids from 1; an id below 1 gets the first colour.
cv::Scalar plotColour(int id);

}  // namespace tavo_cli
