#pragma once

// Writes a scene into a directory: SCENE.avi, SCENE.gt.txt (the targets),
// SCENE.crossings.txt and, when the scene has passers-by, SCENE.all.txt
// (everyone), when it has occluders, SCENE.hidden.txt, and when its objects
// may leave the frame, SCENE.outside.txt.
// Uses up the scene's random numbers (sensor noise, textures).  Prints what
// cannot be written and returns false.

#include "scenes/scene.h"

#include <string>

namespace scenes {

bool writeScene(Scene& s, const std::string& dir);

}  // namespace scenes
