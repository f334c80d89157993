#pragma once

// Checks a scene's choreography before it is written: 3 to 6 objects,
// speeds, accelerations (or velocity jumps), sizes and growth within the
// scene's limits, every box inside the frame on every frame, every object
// clear of the others, of occluders and of look-alike patches on frame 1,
// gaps between objects that are not meant to meet, meetings that do take
// place, hiding episodes of the right length and patches near their
// owner's path.  Prints the first violation and returns false.

#include "scenes/scene.h"

namespace scenes {

bool checkScene(const Scene& s);

}  // namespace scenes
