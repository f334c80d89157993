#pragma once

// Settings given on the command line that do nothing with the others, such
// as the hsv bins with the hue model.

#include "programs/track/options.h"

#include <string>
#include <vector>

namespace tavo_cli {

// One warning for each setting changed from its default (or, under
// --robust, from the preset's value) that the rest of the settings leave
// without effect, naming what it needs.
std::vector<std::string> settingWarnings(const Options& options);

}  // namespace tavo_cli
