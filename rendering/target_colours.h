#pragma once

// The colour of a target wherever it is drawn by its id: its path and error
// curves in the --plot pictures, its box in the boxes drawing.  Distinct for
// the first ten ids and repeated after.

#include <opencv2/core.hpp>

constexpr int kTargetColourCount = 10;

// Blue-green-red, for ids from 1; an id below 1 gets the first colour.
cv::Scalar targetColour(int id);
