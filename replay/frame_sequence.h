#pragma once

// Frames kept in memory, so that the same frames can be tracked again and
// again: by two sessions to compare them, or many times over to time one.

#include <opencv2/core.hpp>

#include <string>
#include <vector>

class FrameSequence {
public:
    // Appends a BGR frame (8 bits, three channels, upright).  False for a
    // frame whose size or type differs from the first one's.
    bool add(const cv::Mat& bgr);
    // Appends the first `maxFrames` frames of a video (all for 0); false
    // when it cannot be opened or has no frame.
    bool addVideo(const std::string& path, int maxFrames);

    int size() const { return static_cast<int>(frames_.size()); }
    // Frame i as it was added.
    const cv::Mat& frame(int i) const { return frames_[static_cast<size_t>(i)]; }

private:
    std::vector<cv::Mat> frames_;
};
