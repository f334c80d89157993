#pragma once

// The look the charts share: the command's error plots and the success and
// precision curves of the evaluation.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace chart_style {

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kTitleScale = 0.55;
constexpr double kTextScale = 0.42;
const cv::Scalar kInk(40, 40, 40);
const cv::Scalar kGrid(225, 225, 225);
const cv::Scalar kWhite(255, 255, 255);

}  // namespace chart_style
