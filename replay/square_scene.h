#pragma once

// Scenes drawn on the spot: solid squares of given hues on a grey ground,
// each swinging back and forth about its home, at any frame size.

#include "support/box.h"

#include <opencv2/core.hpp>

#include <vector>

struct MovingSquare {
    int x, y;  // home: the top-left corner on frame 0
    int size;
    int hue;             // OpenCV's 8-bit hue, 0 .. 179
    int swingX, swingY;  // the farthest it goes from home, in pixels
};

struct SquareScene {
    int width = 320;
    int height = 320;
    std::vector<MovingSquare> squares;

    // Frame f (from 0) as an 8-bit BGR image.
    cv::Mat frameAt(int f) const;
    // Each square's rectangle on frame 0, cut to the frame.
    std::vector<Box> startBoxes() const;

    // `count` 18 x 18 squares of well separated hues on a regular grid
    // filling a width x height frame, each swinging by up to 5 pixels.
    static SquareScene grid(int width, int height, int count);
};
