#pragma once

// tavo.Track: one target's state after a frame, and the tracks of a frame
// as a list or a numpy array.

#include "session/tracking_session.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <vector>

namespace tavo_python {

struct Track {
    TrackedTarget target;
};

pybind11::list trackList(const std::vector<TrackedTarget>& targets);
// A row per target, the columns of TRACK_COLUMNS.
pybind11::array_t<double> trackArray(const std::vector<TrackedTarget>& targets);

// Track and TRACK_COLUMNS in the module.
void defineTrack(pybind11::module_& m);

}  // namespace tavo_python
