#pragma once

// The test scenes, by name, in the order make-scenes writes them.

#include "scenes/scene.h"

#include <vector>

namespace scenes {

struct SceneMaker {
    const char* name;
    Scene (*make)();
};

const std::vector<SceneMaker>& sceneCatalogue();

}  // namespace scenes
