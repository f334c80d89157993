#pragma once

// Text on the command's pictures (the selection window and the plots):
// small tags such as a target's id, and a caption line along the bottom.

#include <opencv2/core.hpp>

#include <string>

namespace tavo_cli {

// The size of a tag holding `text`, its border included.
cv::Size tagSize(const std::string& text);

// A tag: `text` in `ink` on a filled box of `ground` with a border of `ink`,
// its top-left corner at `topLeft`, moved inside the picture where it would
// stick out.
void drawTag(cv::Mat& picture, const std::string& text, cv::Point topLeft, const cv::Scalar& ink,
             const cv::Scalar& ground);

// One line of white text on a darkened band along the bottom of the
// picture, made smaller to fit its width; left out when it would not be
// readable or would cover more than a quarter of the picture.
void drawCaption(cv::Mat& picture, const std::string& text);

}  // namespace tavo_cli
