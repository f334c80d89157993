// The Python module tavo: a tracking session (tavo.Tracker), a video run
// read as tavo-track reads it (tavo.track_video) and its scoring against
// ground truth (tavo.score).  The settings are the library's, set by name
// through its settings table (settings/setting_table.h), whose names are
// tavo-track's options without the dashes; frames are copied out
// of numpy before the interpreter lock is released, so that other Python
// threads run while a frame is tracked.

#include "python/evaluation_binding.h"
#include "python/python_values.h"
#include "python/score_binding.h"
#include "python/setting_keywords.h"
#include "python/track_binding.h"
#include "python/tracker_binding.h"
#include "python/video_binding.h"
#include "settings/tracking_settings.h"

#include <pybind11/pybind11.h>

#ifndef TAVO_VERSION
#define TAVO_VERSION "unknown"
#endif

namespace py = pybind11;
using namespace tavo_python;

PYBIND11_MODULE(tavo, m)
{
    m.doc() = R"(TAVO, a multi-target visual tracker: particle filters weighted by colour
histograms, with a joint move that keeps close targets apart.

    import cv2, tavo
    video = cv2.VideoCapture("TAVO_DEMO.avi")
    ok, first = video.read()
    tracker = tavo.Tracker(first, [(136, 261, 18, 18), (216, 231, 18, 18)], seed=1)
    results = [tracker.tracks]            # frame 1, tracked by the constructor
    while True:
        ok, frame = video.read()
        if not ok:
            break
        results.append(tracker.update(frame))   # frames 2, 3, ...

With the same seed and settings this gives, bit for bit, what
`tavo-track VIDEO --box ... --seed 1 --mot FILE` writes; track_video reads
the video as tavo-track does and yields (frame_number, tracks).

Settings are tavo-track's options in snake_case, with its defaults, ranges
and messages: samples, noise, iterations, threads, model, hsv_bins,
min_saturation, min_value, normalise_light, kernel, parts, sharpness,
surround, foreground, adapt, spread, spread_when_poor, adaptive_noise,
damping, scale_noise, aspect_noise, scale_range, lost_and_found (see
`tavo-track --help`).  Flags take True or False, pairs and triples a tuple
or the option's text ("10,10,10"); robust=True starts from --robust's
preset, and every setting given overrides it.  A setting left out has its
default; None is refused.

Paths are str, bytes or os.PathLike.  Ctrl-C raises KeyboardInterrupt
within a fraction of a second, even during a long frame: that frame is not
kept and the tracker cannot go on.)";

    m.attr("__version__") = TAVO_VERSION;

    defineTrack(m);
    defineTracker(m);
    defineVideoRun(m);
    defineScore(m);

    m.def(
        "evaluate",
        [](py::handle gtFolder, py::handle trackersFolder, py::handle seqmap) {
            return tavo_python::evaluateFolders(pathFrom(gtFolder), pathFrom(trackersFolder),
                                                seqmap.is_none() ? std::string() : pathFrom(seqmap));
        },
        py::arg("gt_folder"), py::arg("trackers_folder"), py::arg("seqmap") = py::none(),
        R"(Scores trackers' results in the MOTChallenge evaluator's folder layout as
tavo-eval --gt-folder GT_FOLDER --trackers-folder TRACKERS_FOLDER [--seqmap
SEQMAP] does (GT_FOLDER/SEQ/gt/gt.txt with SEQ/seqinfo.ini,
TRACKERS_FOLDER/TRACKER/data/SEQ.txt), but writes nothing.

Returns the rows of its --csv table: a dict per row keyed by the CSV's
column names (tracker, sequence, HOTA, DetA, AssA, LocA, HOTA0, IDF1, IDP,
IDR, MOTA, MOTP, IDSW, MT, PT, ML, Frag, AUC, Prec20, Success50), the
values as the CSV gives them (fractions to six decimals as float, counts
as int); per tracker a row per sequence, then its COMBINED row.  Paths are
str, bytes or os.PathLike.  Warnings are UserWarning; a missing or
malformed input raises ValueError naming the file and the reason.)");

    m.def(
        "default_settings",
        [](bool robust) { return settingsDict(resolved(robust ? robustSettings() : TrackingSettings{})); },
        py::kw_only(), py::arg("robust") = false, "The settings a Tracker starts from, by name, resolved.");
}

