#pragma once

// Drawing a scene: textured ground, objects, camera effects, colours.

#include "scenes/scene.h"

#include <opencv2/core.hpp>

namespace scenes {

// Asphalt-like ground: per-pixel grain (mostly brightness, a little colour,
// as a real sensor sees grey) over soft darker and lighter blotches.
cv::Mat texturedBackground(cv::RNG& rng, const cv::Scalar& base, double grain,
                           double blotches, cv::Size size = {kFrameWidth, kFrameHeight});

// A wooden table top: streaks of grain along x over per-pixel grain.
cv::Mat woodenTable(cv::RNG& rng, const cv::Scalar& base, cv::Size size);

// A lamp at `lamp`: brightness 1 there, falling to `far` at the farthest
// corner of a frame of `size` (CV_32F).
cv::Mat lampFalloff(cv::Point2d lamp, double far, cv::Size size);

// A fixed surface texture per object (cloth, paint), zero mean, that moves
// and scales with it.
cv::Mat objectTexture(cv::RNG& rng);

// The object fills `box`: its upper half in look.top, the rest in
// look.bottom, with `texture` stretched over it.  Pixels outside the frame
// are left out.
void drawObject(cv::Mat& frame, const cv::Rect& box, const Look& look, const cv::Mat& texture);

// The same for an object turned by pose.angle: the pixels it covers.
void drawTurnedObject(cv::Mat& frame, const Pose& pose, const Look& look, const cv::Mat& texture);

// Lighting, sensor noise and (optionally) a JPEG round trip on top of the
// composed picture.
cv::Mat camera(const cv::Mat& composed, double brightness, double noise, int jpegQuality,
               cv::RNG& rng);

// BGR of an OpenCV 8-bit HSV colour.
cv::Scalar colourOfHue(int hue, int saturation, int value);

cv::Scalar grey(int level);

// Smooth rise or fall from `from` at frame `start` to `to` at frame `end`.
double ease(int f, int start, int end, double from, double to);

}  // namespace scenes
