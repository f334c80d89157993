#include "python/score_binding.h"

#include "inputs/file_kind.h"
#include "evaluation/mot_file.h"
#include "evaluation/scoring.h"
#include "evaluation/text_input.h"
#include "python/python_values.h"
#include "python/track_binding.h"
#include "settings/number_text.h"

#include <fstream>
#include <sys/stat.h>

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
using namespace tavo_eval;

// ---------------------------------------------------------------------------
// Scoring.

namespace {

// One frame's boxes by track id.
struct FrameBoxes {
    int frame = 0;
    std::vector<std::pair<int, RealBox>> boxes;
};

FrameBoxes frameBoxes(int frame, py::handle tracks)
{
    FrameBoxes f{frame, {}};
    if (py::isinstance<py::array>(tracks)) {
        const auto rows = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(tracks);
        if (!rows || rows.ndim() != 2 || rows.shape(1) < 5)
            throw py::value_error("frame " + std::to_string(frame) +
                                  ": an array of tracks has rows of id, x, y, w, h, ... (tavo.TRACK_COLUMNS)");
        for (py::ssize_t i = 0; i < rows.shape(0); ++i)
            f.boxes.emplace_back(static_cast<int>(rows.at(i, 0)),
                                 RealBox{rows.at(i, 1), rows.at(i, 2), rows.at(i, 3), rows.at(i, 4)});
        return f;
    }
    for (py::handle t : tracks) {
        if (!py::isinstance<Track>(t))
            throw py::type_error("frame " + std::to_string(frame) + ": expected tavo.Track objects, not " +
                                 typeName(t));
        const TrackedTarget& target = t.cast<const Track&>().target;
        f.boxes.emplace_back(target.id, target.box);
    }
    return f;
}

// A frame number, refused as tavo-track refuses --start's.
int frameNumberFrom(py::handle frame)
{
    if (!isInteger(frame))
        throw py::type_error("frame numbers are integers, not " + typeName(frame));
    const std::string text = integerText(frame);
    const auto n = parseInt(text);
    if (!n && text[0] != '-')
        throw py::value_error("frame " + text + ": at most " + std::to_string(INT32_MAX));
    if (!n || *n <= 0)
        throw py::value_error("frame " + text + ": expected a positive integer");
    return *n;
}

// (frame, tracks) pairs, a dict of them, or a list of every frame's tracks
// from frame 1 on.
std::vector<FrameBoxes> framesFrom(py::handle tracksByFrame)
{
    const auto isPair = [](py::handle item) {
        return py::isinstance<py::tuple>(item) && py::len(item) == 2 && isInteger(item.cast<py::tuple>()[0]);
    };
    std::vector<FrameBoxes> frames;
    if (py::isinstance<py::dict>(tracksByFrame)) {
        for (const auto& [frame, tracks] : tracksByFrame.cast<py::dict>())
            frames.push_back(frameBoxes(frameNumberFrom(frame), tracks));
    } else {
        int index = 0;
        for (py::handle item : tracksByFrame) {
            ++index;
            if (isPair(item)) {
                const auto pair = item.cast<py::tuple>();
                frames.push_back(frameBoxes(frameNumberFrom(pair[0]), pair[1]));
            } else {
                frames.push_back(frameBoxes(index, item));
            }
        }
    }
    std::stable_sort(frames.begin(), frames.end(),
                     [](const FrameBoxes& a, const FrameBoxes& b) { return a.frame < b.frame; });
    for (size_t i = 1; i < frames.size(); ++i)
        if (frames[i].frame == frames[i - 1].frame)
            throw py::value_error("frame " + std::to_string(frames[i].frame) + " is given twice");
    return frames;
}

py::dict scoreDict(const TargetScore& s, bool withId)
{
    py::dict d;
    if (withId)
        d["id"] = s.id;
    d["frames"] = s.frames;
    d["mean_error"] = s.meanError;
    d["max_error"] = s.maxError;
    d["success"] = s.successRate;
    d["confusions"] = s.confusions;
    return d;
}

// tavo-eval's measures under lower-case keys; None each when they could
// not be computed (an id twice on a frame of the ground truth).
void addMeasures(py::dict& d, const std::optional<tavo_eval::SummaryRow>& m)
{
    const auto value = [&](auto field) { return m ? py::cast((*m).*field) : py::none(); };
    using R = tavo_eval::SummaryRow;
    d["hota"] = value(&R::hota);
    d["deta"] = value(&R::detA);
    d["assa"] = value(&R::assA);
    d["loca"] = value(&R::locA);
    d["hota0"] = value(&R::hota0);
    d["idf1"] = value(&R::idf1);
    d["idp"] = value(&R::idp);
    d["idr"] = value(&R::idr);
    d["mt"] = value(&R::mt);
    d["pt"] = value(&R::pt);
    d["ml"] = value(&R::ml);
    d["frag"] = value(&R::frag);
    d["success_auc"] = value(&R::auc);
    d["precision_20"] = value(&R::prec20);
}

py::dict score(py::handle tracksByFrame, py::handle truthPath)
{
    const std::string path = pathFrom(truthPath);
    const std::vector<FrameBoxes> frames = framesFrom(tracksByFrame);

    // Opening a FIFO would wait for a writer: refused as --gt refuses it.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)))
        raise(PyExc_ValueError, path + ": " + waitingReason(*specialFileKind(status.st_mode), "ground-truth file"));
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        raise(error == ENOENT ? PyExc_FileNotFoundError : PyExc_OSError,
                     "cannot read the ground-truth file '" + path + "': " + std::strerror(error));
    }
    std::string error;
    const auto records = readMotRecords(in, path, error);
    if (!records)
        raise(PyExc_ValueError, error);

    // Each target is scored against the ground-truth object of its id, in
    // the order of the first frame's tracks.
    std::vector<int> ids;
    if (!frames.empty())
        for (const auto& [id, box] : frames.front().boxes)
            ids.push_back(id);
    Scorer scorer(groupByFrame(*records), ids);
    std::vector<RealBox> boxes;
    for (const FrameBoxes& f : frames) {
        boxes.clear();
        for (const int id : ids) {
            const auto found = std::find_if(f.boxes.begin(), f.boxes.end(),
                                            [id](const std::pair<int, RealBox>& b) { return b.first == id; });
            if (found == f.boxes.end())
                throw py::value_error("frame " + std::to_string(f.frame) + " has no track of id " +
                                      std::to_string(id) + ", which the first frame has");
            boxes.push_back(found->second);
        }
        scorer.addFrame(f.frame, boxes);
    }

    const ScoreReport report = scorer.report();
    py::dict d = scoreDict(report.overall, false);
    d["first_frame"] = report.firstFrame;
    d["last_frame"] = report.lastFrame;
    py::list targets;
    for (const TargetScore& s : report.targets)
        targets.append(scoreDict(s, true));
    d["targets"] = targets;
    const ClearMot& m = report.mot;
    d["mota"] = m.mota;
    d["motp"] = m.motp;
    d["id_switches"] = m.idSwitches;
    d["objects"] = m.objects;
    d["matches"] = m.matches;
    d["misses"] = m.misses;
    d["false_positives"] = m.falsePositives;
    addMeasures(d, report.measures);
    d["text"] = pythonText(formatReport(report, path));
    return d;
}


}  // namespace

void defineScore(py::module_& m)
{
    m.def("score", &score, py::arg("tracks_by_frame"), py::arg("ground_truth"),
          R"(Scores tracks against a MOTChallenge ground-truth file as tavo-track --gt does.

tracks_by_frame: what track_video yields ((frame_number, tracks) pairs),
a dict {frame_number: tracks}, or a list of every frame's tracks from frame
1 on; tracks are lists of Track or arrays of tracks_array()'s columns.
Every target is compared with the ground-truth object of its id.

Returns a dict: over all targets frames, mean_error, max_error (centre
errors in pixels), success (share of frames with overlap >= 0.5),
confusions; targets, a list of those per target (with its id); CLEAR-MOT
mota, motp, id_switches, objects, matches, misses, false_positives;
tavo-eval's measures of the same frames hota, deta, assa, loca, hota0,
idf1, idp, idr (fractions), mt, pt, ml, frag (counts), success_auc (area
under the OTB success curve) and precision_20 (share of frames with a
centre error of at most 20 pixels), each None when the ground truth gives
an id twice on a frame; first_frame, last_frame; text, the report as
tavo-track prints it.)");
}

}  // namespace tavo_python
