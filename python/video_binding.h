#pragma once

// tavo.track_video: a video read as tavo-track reads it, tracked frame by
// frame.

#include <pybind11/pybind11.h>

namespace tavo_python {

void defineVideoRun(pybind11::module_& m);

}  // namespace tavo_python
