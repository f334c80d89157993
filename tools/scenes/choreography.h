#pragma once

// Checks a scene's choreography before it is written: 3 to 6 targets (12
// objects at most with the passers-by), speeds, accelerations (or velocity
// jumps), sizes, growth and turns within the scene's limits, every box
// inside the frame on every frame (unless objects may leave it: then each
// target leaves wholly and comes back), every object wholly in view and
// clear of the others, of occluders and of look-alike patches on frame 1,
// gaps between objects that are not meant to meet, meetings that do take
// place, hiding episodes of the right length, waits of the right length,
// a hand-held camera's zoom and speed and patches near their owner's path.
// Prints the first violation and returns false.

#include "scenes/scene.h"

namespace scenes {

bool checkScene(const Scene& s);

}  // namespace scenes
