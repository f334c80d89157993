#include "python/video_binding.h"

#include "inputs/video_source.h"
#include "python/interrupt_watch.h"
#include "python/python_values.h"
#include "python/setting_keywords.h"
#include "python/track_binding.h"
#include "python/tracker_binding.h"
#include "settings/number_text.h"

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
// A video, read and tracked as tavo-track does.

namespace {

class VideoRun {
public:
    VideoRun(const std::string& path, py::handle boxes, py::handle ids, py::handle seed, py::handle robust,
             py::handle frames, py::handle start, const py::kwargs& given)
    {
        const TrackingSettings settings = settingsFrom(robust, given);
        const std::vector<TargetStart> targets = targetsFrom(boxes, ids);
        const int64_t seedValue = seedFrom(seed);
        if (!frames.is_none()) {
            if (!isInteger(frames))
                throw py::type_error("frames takes an integer, not " + typeName(frames));
            const auto n = parseInt(integerText(frames));
            if (!n || *n <= 0)
                throw py::value_error("frames=" + std::string(py::repr(frames)) + ": expected a positive integer");
            limit_ = *n;
        }
        if (!start.is_none()) {
            if (!isInteger(start))
                throw py::type_error("start takes an integer, not " + typeName(start));
            const auto n = parseInt(integerText(start));
            if (!n || *n <= 0)
                throw py::value_error("start=" + std::string(py::repr(start)) + ": expected a positive integer");
            start_ = *n;
        }

        std::string error;
        VideoFault fault = VideoFault::NotAVideo;
        {
            py::gil_scoped_release unlocked;
            video_ = VideoSource::open(VideoOrigin{path, std::nullopt, start_}, error, fault);
        }
        if (!video_) {
            if (fault == VideoFault::NoSuchFile)
                raise(PyExc_FileNotFoundError, error);
            if (fault == VideoFault::PermissionDenied)
                raise(PyExc_PermissionError, error);
            raise(fault == VideoFault::FirstFrame ? PyExc_ValueError : PyExc_OSError, error);
        }
        const IplImage* first = video_->frame();
        if (const auto problem = frameProblem(settings, first->width, first->height))
            throw py::value_error(snakeCase(problem->setting) + "=" + problem->value + ": " + problem->expected);
        // As tavo-track: the first frame is cloned out of the capture.
        tracker_ = std::make_shared<Tracker>(cv::cvarrToMat(first).clone(), targets, settings, seedValue);
    }

    py::object next()
    {
        if (!started_) {
            started_ = true;
            return py::make_tuple(start_, trackList(tracker_->tracks()));
        }
        Frame f;
        {
            InterruptWatch watch;
            py::gil_scoped_release unlocked;
            f = readAndTrack(watch.flag());
        }
        if (!f.read) {
            end();
            endWithoutFrame(f);
        }
        if (f.step.outcome != StepOutcome::Tracked)
            end();
        const Tracker::Step& s = f.step;
        tracker_->raiseFor(s);
        if (s.outcome == StepOutcome::OtherFrameKind)
            raise(PyExc_ValueError, f.otherKind);
        return py::make_tuple(s.frameNumber + start_ - 1, trackList(s.tracks));
    }

    std::shared_ptr<Tracker> tracker() const { return tracker_; }

private:
    // The next frame read and tracked, or why none was.
    struct Frame {
        bool read = false;
        Tracker::Step step;
        std::string otherKind;           // the message for a frame of another kind
        VideoSource::EndMessages ended;  // without a frame
    };
    Frame readAndTrack(const std::atomic<bool>* stop)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Frame f;
        if (!video_ || (limit_ > 0 && tracker_->frameNumber() >= limit_))
            return f;
        if (!video_->next()) {
            f.ended = video_->endMessages(start_, tracker_->frameNumber() + start_ - 1);
            return f;
        }
        f.read = true;
        f.step = tracker_->step(cv::cvarrToMat(video_->frame()), stop);
        if (f.step.outcome == StepOutcome::OtherFrameKind)
            f.otherKind = video_->otherKindMessage(f.step.frameNumber + start_);
        return f;
    }

    // Ends the iteration as tavo-track ends its run: an error for a frame
    // that cannot be used, a warning for a video that ends before the
    // frames it declares.
    [[noreturn]] void endWithoutFrame(const Frame& f)
    {
        if (!f.ended.error.empty())
            raise(PyExc_ValueError, f.ended.error);
        if (!f.ended.warning.empty())
            py::module_::import("warnings").attr("warn")(pythonText(f.ended.warning), py::handle(PyExc_UserWarning), 1);
        throw py::stop_iteration();
    }

    void end()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        video_.reset();
    }

    int limit_ = 0;
    int start_ = 1;  // the video's frame tracked first, numbered as in the video
    std::mutex mutex_;
    std::unique_ptr<VideoSource> video_;
    std::shared_ptr<Tracker> tracker_;
    bool started_ = false;
};


}  // namespace

void defineVideoRun(py::module_& m)
{
    py::class_<VideoRun>(m, "VideoRun", "The frames of a video tracked one by one: yields (frame_number, tracks).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &VideoRun::next)
        .def_property_readonly("tracker", &VideoRun::tracker, "The Tracker: its seed, settings, draw().")
        .def_property_readonly("seed", [](const VideoRun& r) { return r.tracker()->seed(); });

    m.def(
        "track_video",
        [](py::handle path, py::handle boxes, py::handle ids, py::handle seed, py::handle robust, py::handle frames,
           py::handle start, const py::kwargs& settings) {
            return std::make_unique<VideoRun>(pathFrom(path), boxes, ids, seed, robust, frames, start, settings);
        },
        py::arg("path"), py::arg("boxes"), py::kw_only(), py::arg("ids") = py::none(), py::arg("seed") = py::none(),
        py::arg("robust") = false, py::arg("frames") = py::none(), py::arg("start") = py::none(),
        R"(track_video(path, boxes, *, ids=None, seed=None, robust=False, frames=None, start=None, **settings)

Tracks a video file read as tavo-track reads it, yielding (frame_number,
tracks) for every frame from `start` on (default 1; frames are numbered as
in the video, and `boxes` are on frame `start`; frames: stop after that
many): the same numbers as `tavo-track PATH --start START --box ... --seed
SEED [options] --mot FILE`.  The
video is opened and its first frame tracked at once, so that errors are
raised here; the result's .seed and .tracker tell the seed and settings.
As tavo-track, a frame that cannot be used raises ValueError after the
frames before, and a video that ends before the frames it declares gives a
UserWarning.)");
}

}  // namespace tavo_python
