#pragma once

// Scenes drawn after camera footage that the tracker followed badly: a
// large object over a table that shares its colours, small objects that
// cross among moving things of other colours, people crossing.

#include "scenes/scene.h"

namespace scenes {

Scene lookAlikeBackground();
Scene crossingOccluders();
Scene peopleCrossing();

}  // namespace scenes
