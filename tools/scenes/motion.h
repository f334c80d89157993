#pragma once

// Paths of scene objects: a pose for every frame.

#include "scenes/scene.h"

#include <opencv2/core.hpp>

#include <vector>

namespace scenes {

// Where an object is at `frame` (0-based); `scale` multiplies its size,
// `angle` turns it (degrees clockwise).
struct Key {
    int frame;
    double cx, cy;
    double scale = 1.0;
    double angle = 0.0;
};

// Glides from key to key, at rest at every key (smoothstep: acceleration
// bounded by 6 D / T^2 for a distance D in T frames), holding still before
// the first key and after the last.  Two keys at the same place make a stop.
std::vector<Pose> glide(double w, double h, const std::vector<Key>& keys,
                        int frames = kFrameCount);

// Straight runs at constant velocity inside `area` (which the whole box
// stays in), bouncing off its sides; every 15 to 45 frames the velocity is
// replaced at once by a new one of 0 to `maxSpeed` in any direction (after
// a stop, of at least 1).
std::vector<Pose> bounce(cv::RNG& rng, double w, double h, const cv::Rect2d& area,
                         double maxSpeed);

// A walker's bob: the box rises and falls once a step, by `bob` of its
// height, a step being `stride` of its height walked; a walker standing
// still keeps its last offset.
void addGait(std::vector<Pose>& poses, double bob, double stride);

}  // namespace scenes
