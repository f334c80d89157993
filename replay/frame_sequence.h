#pragma once

// Frames prepared for tracking once and kept in memory, so that the same
// frames can be tracked again and again: by two trackers to compare them,
// or many times over to time one.

#include "support/box.h"

#include <opencv2/core.hpp>
#include <opencv2/core/types_c.h>

#include <string>
#include <vector>

class FrameSequence {
public:
    // Appends a BGR frame, prepared as the programs prepare theirs
    // (upright display image, its HSV version and hue plane).  False for a frame whose size
    // differs from the first one's.
    bool add(const cv::Mat& bgr);
    // Appends the first `maxFrames` frames of a video (all for 0); false
    // when it cannot be opened or has no frame.
    bool addVideo(const std::string& path, int maxFrames);

    int size() const { return static_cast<int>(hue_.size()); }
    // Frame i's hue plane and HSV image (not to be written), and a fresh
    // copy of its display image, valid until the next call of display.
    CvMat* huePlane(int i);
    CvMat* hsvImage(int i);
    CvMat* display(int i);

private:
    std::vector<cv::Mat> hue_;
    std::vector<cv::Mat> hsv_;
    std::vector<cv::Mat> display_;
    std::vector<CvMat> hueHeaders_;
    std::vector<CvMat> hsvHeaders_;
    cv::Mat work_;
    CvMat workHeader_;
};
