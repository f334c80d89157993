#include "python/track_binding.h"

#include "python/python_values.h"

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
// Tracks.

namespace {

// The columns of tracks_array(), in the order of Track's attributes.
// The last, state, is 0 tracked, 1 hidden, 2 lost (Track.state's words).
constexpr const char* kTrackColumns[] = {"id",       "x",        "y",     "w",     "h",       "confidence", "lost",
                                         "centre_x", "centre_y", "vel_x", "vel_y", "scale_x", "scale_y",    "state"};
constexpr int kColumnCount = static_cast<int>(std::size(kTrackColumns));

void rowOf(const TrackedTarget& t, double* row)
{
    const double values[kColumnCount] = {static_cast<double>(t.id), t.box.x, t.box.y, t.box.width, t.box.height,
                                         t.confidence, t.lost ? 1.0 : 0.0, t.x, t.y, t.velocityX, t.velocityY,
                                         t.scaleX, t.scaleY, static_cast<double>(t.state)};
    std::copy(values, values + kColumnCount, row);
}

}  // namespace

py::list trackList(const std::vector<TrackedTarget>& targets)
{
    py::list list;
    for (const TrackedTarget& t : targets)
        list.append(py::cast(Track{t}));
    return list;
}

py::array_t<double> trackArray(const std::vector<TrackedTarget>& targets)
{
    py::array_t<double> array({static_cast<py::ssize_t>(targets.size()), static_cast<py::ssize_t>(kColumnCount)});
    for (size_t i = 0; i < targets.size(); ++i)
        rowOf(targets[i], array.mutable_data(static_cast<py::ssize_t>(i)));
    return array;
}

namespace {

py::tuple trackState(const Track& track)
{
    const TrackedTarget& t = track.target;
    return py::make_tuple(t.id, t.box.x, t.box.y, t.box.width, t.box.height, t.confidence, t.lost, t.x, t.y,
                          t.velocityX, t.velocityY, t.scaleX, t.scaleY, static_cast<int>(t.state));
}

Track trackFromState(const py::tuple& s)
{
    // Tracks pickled before they had a state were tracked.
    if (s.size() != static_cast<size_t>(kColumnCount) && s.size() != static_cast<size_t>(kColumnCount) + 1)
        throw py::value_error("not the state of a Track");
    Track track;
    TrackedTarget& t = track.target;
    t.id = s[0].cast<int>();
    t.box = RealBox{s[1].cast<double>(), s[2].cast<double>(), s[3].cast<double>(), s[4].cast<double>()};
    t.confidence = s[5].cast<double>();
    t.lost = s[6].cast<bool>();
    t.x = s[7].cast<float>();
    t.y = s[8].cast<float>();
    t.velocityX = s[9].cast<float>();
    t.velocityY = s[10].cast<float>();
    t.scaleX = s[11].cast<float>();
    t.scaleY = s[12].cast<float>();
    if (s.size() > static_cast<size_t>(kColumnCount)) {
        const int state = s[13].cast<int>();
        if (state < static_cast<int>(TargetState::Tracked) || state > static_cast<int>(TargetState::Lost))
            throw py::value_error("not the state of a Track");
        t.state = static_cast<TargetState>(state);
    }
    return track;
}

bool sameTrack(const TrackedTarget& a, const TrackedTarget& b)
{
    return a.id == b.id && a.box.x == b.box.x && a.box.y == b.box.y && a.box.width == b.box.width &&
           a.box.height == b.box.height && a.confidence == b.confidence && a.lost == b.lost && a.x == b.x &&
           a.y == b.y && a.velocityX == b.velocityX && a.velocityY == b.velocityY && a.scaleX == b.scaleX &&
           a.scaleY == b.scaleY && a.state == b.state;
}

std::string trackRepr(const Track& track)
{
    const TrackedTarget& t = track.target;
    char text[240];
    std::snprintf(text, sizeof text,
                  "Track(id=%d, x=%.2f, y=%.2f, w=%.2f, h=%.2f, confidence=%.4f, lost=%s, state='%s')", t.id, t.box.x,
                  t.box.y, t.box.width, t.box.height, t.confidence, t.lost ? "True" : "False", stateName(t.state));
    return text;
}


}  // namespace

void defineTrack(py::module_& m)
{
    py::tuple columns(kColumnCount);
    for (int i = 0; i < kColumnCount; ++i)
        columns[i] = kTrackColumns[i];
    m.attr("TRACK_COLUMNS") = columns;

    py::class_<Track>(m, "Track", R"(One target's state after a frame.

id; x, y, w, h: the estimate's box (w = base width x scale_x, centred on
the centre; with fit_box widened to the box of the target's colours, the
centre and scale then the widened box's), as tavo-track's MOT file gives
it with two decimals;
confidence: 0 while lost or outside the frame; else, as the confidence
setting says, the weighted mean likelihood of the samples ("likelihood",
the default: 0..1, 1 without lost_and_found and the other robust motion
settings) or a number from 0 to 1 that predicts whether the box is right
("calibrated", set by robust=True: below 0.5 do not trust the box); lost;
state: 'tracked', 'hidden' (believed behind something, the box coasting)
or 'lost' (out of the frame or unseen for long), judged with or without
the robust settings; centre (x, y); velocity (vx, vy) in pixels per frame; scale (sx, sy) of the
first box's size.)")
        .def_property_readonly("id", [](const Track& t) { return t.target.id; })
        .def_property_readonly("x", [](const Track& t) { return t.target.box.x; })
        .def_property_readonly("y", [](const Track& t) { return t.target.box.y; })
        .def_property_readonly("w", [](const Track& t) { return t.target.box.width; })
        .def_property_readonly("h", [](const Track& t) { return t.target.box.height; })
        .def_property_readonly("confidence", [](const Track& t) { return t.target.confidence; })
        .def_property_readonly("lost", [](const Track& t) { return t.target.lost; })
        .def_property_readonly("state", [](const Track& t) { return stateName(t.target.state); })
        .def_property_readonly("centre", [](const Track& t) { return py::make_tuple(t.target.x, t.target.y); })
        .def_property_readonly("velocity",
                               [](const Track& t) { return py::make_tuple(t.target.velocityX, t.target.velocityY); })
        .def_property_readonly("scale",
                               [](const Track& t) { return py::make_tuple(t.target.scaleX, t.target.scaleY); })
        .def("__repr__", &trackRepr)
        .def("__eq__",
             [](const Track& a, py::handle b) {
                 return py::isinstance<Track>(b) && sameTrack(a.target, b.cast<const Track&>().target);
             })
        .def("__hash__", [](const Track& t) { return py::hash(trackState(t)); })
        .def(py::pickle(&trackState, &trackFromState));
}

}  // namespace tavo_python
