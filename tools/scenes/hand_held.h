#pragma once

// A hand-held camera: smooth pans and zooms with shake on top, and what it
// does to the background and to the objects walking on it.

#include "scenes/motion.h"
#include "scenes/scene.h"

#include <opencv2/core.hpp>

#include <vector>

namespace scenes {

// The camera glides through `keys` (cx, cy: the background point at the
// frame's centre; scale: the zoom) and shakes: each frame it jumps by up
// to kMaxShakeStep px, pulled back towards the glide, harder in the shaky
// stretches between the frames in `shaky` (pairs of first and last).
std::vector<View> handHeldViews(cv::RNG& rng, const std::vector<Key>& keys,
                                const std::vector<cv::Vec2i>& shaky, int frames);

// The pose in image coordinates of an object at `onGround` on the background.
Pose seenThrough(const View& v, const Pose& onGround);

// The affine map from background to image coordinates.
cv::Matx23d imageFromBackground(const View& v);

}  // namespace scenes
