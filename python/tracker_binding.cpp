#include "python/tracker_binding.h"

#include "python/python_values.h"
#include "python/setting_keywords.h"
#include "python/target_binding.h"
#include "python/track_binding.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavo_python {

namespace py = pybind11;

// ---------------------------------------------------------------------------
// The tracker.

// Raises the exception that fits a refusal of TrackingSession::start.
void refuseStart(const std::string& error)
{
    if (error.rfind("out of memory", 0) == 0) {
        PyErr_SetString(PyExc_MemoryError, error.c_str());
        throw py::error_already_set();
    }
    if (error.rfind("cannot start", 0) == 0)
        throw std::runtime_error(error);
    throw py::value_error(error);
}


std::shared_ptr<Tracker> makeTracker(py::handle frame, py::handle boxes, py::handle ids, py::handle seed,
                                     py::handle robust, const py::kwargs& settings)
{
    const TrackingSettings resolvedSettings = settingsFrom(robust, settings);
    const std::vector<TargetStart> targets = targetsFrom(boxes, ids);
    const int64_t seedValue = seedFrom(seed);
    const cv::Mat first = frameFrom(frame);
    return std::make_shared<Tracker>(first, targets, resolvedSettings, seedValue);
}


namespace {

const char* const kTrackerDoc = R"(The targets of one video, followed frame by frame.

Tracker(frame, boxes, *, ids=None, seed=None, robust=False, **settings)

frame: the video's first frame, a numpy uint8 array height x width x 3 in
BGR order (what cv2.VideoCapture.read() gives; views are copied).  boxes:
the targets on it, (x, y, w, h) in pixels.  ids: one per box (0: numbered
after the highest given); by default 1, 2, 3, ...  seed: any 64-bit
integer; None draws one (tracker.seed tells it, so that the run can be
repeated).  robust and settings: as tavo-track's --robust and options.

The constructor tracks the frame it is given: tracker.tracks holds frame
1's tracks, and the first update() receives the video's second frame.)";

}  // namespace

void defineTracker(py::module_& m)
{
    py::class_<Tracker, std::shared_ptr<Tracker>>(m, "Tracker", kTrackerDoc)
        .def(py::init(&makeTracker), py::arg("frame"), py::arg("boxes"), py::kw_only(), py::arg("ids") = py::none(),
             py::arg("seed") = py::none(), py::arg("robust") = false)
        .def(
            "update", [](Tracker& t, py::handle frame) { return trackList(t.update(frame)); }, py::arg("frame"),
            "Tracks the next frame (of the first frame's size) and returns its tracks, a list of Track in the "
            "order of the boxes.")
        .def(
            "update_array", [](Tracker& t, py::handle frame) { return trackArray(t.update(frame)); },
            py::arg("frame"), "update(), the tracks as tracks_array() gives them.")
        .def_property_readonly(
            "tracks", [](Tracker& t) { return trackList(t.tracks()); }, "The tracks of the last frame tracked.")
        .def(
            "tracks_array", [](Tracker& t) { return trackArray(t.tracks()); },
            "The tracks of the last frame as a float64 array, a row per target in the order of the boxes, the "
            "columns of tavo.TRACK_COLUMNS: id, x, y, w, h, confidence, lost (0 or 1), centre_x, centre_y, vel_x, "
            "vel_y, scale_x, scale_y, state (0 tracked, 1 hidden, 2 lost).")
        .def("draw", &Tracker::draw, py::arg("frame") = py::none(), py::arg("style") = "design",
             "A copy of the last frame (or of the frame given, of the same size) with the tracking drawn as "
             "tavo-track's --video draws it with --draw STYLE: 'design' (the samples, estimates, neighbour "
             "links and labels), 'boxes' (each target's box, label and trail in its colour) or 'samples'.")
        .def(
            "add",
            [](Tracker& t, py::handle box, py::handle id) {
                const Box b = tavo_python::boxFrom(box);
                const int given = tavo_python::idFrom(id, true);
                return t.edit([&](TrackingSession& s) { return tavo_python::addTargetTo(s, b, given); });
            },
            py::arg("box"), py::arg("id") = py::none(),
            "Learns a new target at box (x, y, w, h) on the last frame tracked, as if it had been given for that "
            "frame, and returns its id (None: after the highest id this tracker has used; ids belong to one "
            "tracker).  It is among tracks from now on.  ValueError for a box without area or outside the frame, "
            "or an id taken; RuntimeError when the sample store has no room (remove a target first).")
        .def(
            "remove",
            [](Tracker& t, py::handle id) {
                const int given = tavo_python::idFrom(id, false);
                t.edit([&](TrackingSession& s) {
                    tavo_python::removeTargetFrom(s, given);
                    return 0;
                });
            },
            py::arg("id"),
            "Drops target id from the tracker; its samples' room goes to the next target added.  ValueError for "
            "an unknown id.")
        .def(
            "reinit",
            [](Tracker& t, py::handle id, py::handle box) {
                const int given = tavo_python::idFrom(id, false);
                const Box b = tavo_python::boxFrom(box);
                t.edit([&](TrackingSession& s) {
                    tavo_python::reinitTargetOf(s, given, b);
                    return 0;
                });
            },
            py::arg("id"), py::arg("box"),
            "Relearns target id at box on the last frame tracked and starts its search there again, keeping "
            "its id.  ValueError for an unknown id or a box without area or outside the frame.")
        .def_property_readonly("frame_number", &Tracker::frameNumber, "The frames tracked so far: 1 after the "
                                                                      "constructor.")
        .def_property_readonly("seed", &Tracker::seed)
        .def_property_readonly(
            "settings", [](const Tracker& t) { return settingsDict(t.settings()); },
            "Every setting as the tracking uses it, by name (the surround's weight resolved).")
        .def_property_readonly(
            "frame_size", [](const Tracker& t) { return py::make_tuple(t.size().width, t.size().height); },
            "(width, height) of the frames.")
        .def("__repr__", [](Tracker& t) {
            return "<tavo.Tracker of " + std::to_string(t.tracks().size()) + " targets, frame " +
                   std::to_string(t.frameNumber()) + ", seed " + std::to_string(t.seed()) + ">";
        });
}

}  // namespace tavo_python
