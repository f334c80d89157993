#pragma once

// Scenes that look more like camera footage than flat squares: a textured,
// low-saturation ground with sensor noise, and upright two-tone objects
// with a texture of their own, each swinging back and forth about its
// home.  For timing real-size work.

#include "support/box.h"

#include <opencv2/core.hpp>

#include <vector>

struct TexturedObject {
    Box home;            // its rectangle on frame 0
    cv::Scalar upper;    // BGR of the upper half
    cv::Scalar lower;    // BGR of the lower half
    int swingX, swingY;  // the farthest it goes from home, in pixels
};

class TexturedScene {
public:
    // `count` objects of width x height pixels spread over a frame of
    // frameWidth x frameHeight, each swinging by a tenth of its size.
    TexturedScene(int frameWidth, int frameHeight, int count, int width, int height);

    // Frame f (from 0) as an 8-bit BGR image; the same f gives the same
    // picture.
    cv::Mat frameAt(int f) const;
    std::vector<Box> startBoxes() const;
    // Where the objects stand on frame f (from 0), in the frame or not.
    std::vector<cv::Rect> boxesAt(int f) const;

private:
    cv::Mat ground_;
    std::vector<TexturedObject> objects_;
    std::vector<cv::Mat> looks_;  // each object's textured picture
};
