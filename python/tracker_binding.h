#pragma once

// tavo.Tracker: one session and what Python reads of it, frame by frame.

#include "python/interrupt_watch.h"
#include "python/python_values.h"
#include "python/track_binding.h"
#include "rendering/box_drawing.h"
#include "rendering/drawing_style.h"
#include "core/memory_estimate.h"
#include "session/tracking_session.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavo_python {

namespace py = pybind11;

// Raises the exception that fits a refusal of TrackingSession::start.
[[noreturn]] void refuseStart(const std::string& error);

// One session and what Python reads of it.  Every use of the session holds
// `mutex`; a thread holding it never waits for the interpreter lock, so a
// thread may take it with the interpreter lock held.
class Tracker {
public:
    Tracker(const cv::Mat& first, const std::vector<TargetStart>& targets, const TrackingSettings& settings,
            int64_t seed)
        : size_(first.size())
    {
        if (const auto refusal = memoryRefusal(static_cast<int64_t>(targets.size()), settings.tracking.samples,
                                               physicalMemory())) {
            PyErr_SetString(PyExc_MemoryError, refusal->c_str());
            throw py::error_already_set();
        }
        std::string error;
        InterruptWatch watch;
        {
            py::gil_scoped_release unlocked;
            session_ = TrackingSession::start(first, targets, settings, seed, error, {}, watch.flag());
        }
        if (!session_ && watch.interrupted())
            raiseInterrupt();
        if (!session_)
            refuseStart(error);
        session_->setStopFlag(nullptr);
        tracks_ = session_->targets();
        boxes_.follow(*session_);
    }

    // Tracks the next frame (called without the interpreter lock), ended
    // early once `stop` is set; the tracks, or an error to raise.
    struct Step {
        StepOutcome outcome = StepOutcome::Tracked;
        std::string error;
        std::vector<TrackedTarget> tracks;
        int frameNumber = 0;  // of the tracks
    };
    Step step(const cv::Mat& frame, const std::atomic<bool>* stop)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Step s;
        if (!ended_.empty()) {
            s.outcome = StepOutcome::BrokenDown;
            s.error = ended_;
            return s;
        }
        session_->setStopFlag(stop);
        s.outcome = session_->step(frame);
        session_->setStopFlag(nullptr);
        if (s.outcome == StepOutcome::BrokenDown)
            ended_ = session_->error();
        if (s.outcome == StepOutcome::Interrupted)
            interrupted_ = ended_ = "the tracker was interrupted during frame " + std::to_string(tracked_ + 1) +
                     " and cannot go on; its tracks are those of frame " + std::to_string(tracked_);
        if (s.outcome == StepOutcome::Tracked) {
            tracks_ = session_->targets();
            tracked_ = session_->frameNumber();
            boxes_.follow(*session_);
        }
        s.tracks = tracks_;
        s.frameNumber = tracked_;
        return s;
    }

    // Raises the error of a step that was not tracked.
    void raiseFor(const Step& s) const
    {
        if (s.outcome == StepOutcome::Interrupted)
            raiseInterrupt();
        if (s.outcome == StepOutcome::BrokenDown)
            throw std::runtime_error(s.error);
    }

    std::vector<TrackedTarget> update(py::handle value)
    {
        const cv::Mat frame = frameFrom(value);
        if (frame.size() != size_)
            throw py::value_error("the frame is " + sizeText(frame.size()) + ", unlike the first frame (" +
                                  sizeText(size_) + "): not tracked");
        Step s;
        {
            InterruptWatch watch;
            py::gil_scoped_release unlocked;
            s = step(frame, watch.flag());
        }
        raiseFor(s);
        if (s.outcome == StepOutcome::OtherFrameKind)
            throw py::value_error("the frame differs from the first in size or type: not tracked");
        return std::move(s.tracks);
    }

    std::vector<TrackedTarget> tracks()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return tracks_;
    }

    int frameNumber()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return tracked_;
    }

    py::array_t<uint8_t> draw(py::handle value, const std::string& styleName)
    {
        const std::optional<DrawingStyle> style = drawingStyleNamed(styleName);
        if (!style)
            throw py::value_error("style '" + styleName + "': expected boxes, samples or design");
        cv::Mat image;
        const bool lastFrame = value.is_none();
        if (!lastFrame) {
            image = frameFrom(value);
            if (image.size() != size_)
                throw py::value_error("the frame is " + sizeText(image.size()) + ", unlike the tracked frames (" +
                                      sizeText(size_) + ")");
        }
        {
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> lock(mutex_);
            // An interrupted frame's samples are half moved.
            if (!interrupted_.empty())
                throw std::runtime_error(interrupted_);
            if (lastFrame)
                session_->frame().copyTo(image);
            if (*style == DrawingStyle::Design)
                session_->draw(image);
            else
                boxes_.draw(*session_, image, *style == DrawingStyle::Samples);
        }
        return arrayOf(image);
    }

    // Changes the targets between frames (see python/target_binding.h):
    // `change` gets the session; the tracks then are those it reports.
    template <class Change>
    auto edit(Change change)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ended_.empty())
            throw std::runtime_error(ended_);
        auto result = change(*session_);
        tracks_ = session_->targets();
        return result;
    }

    int64_t seed() const { return session_->seed(); }
    const TrackingSettings& settings() const { return session_->settings(); }
    cv::Size size() const { return size_; }

private:
    std::mutex mutex_;
    std::unique_ptr<TrackingSession> session_;
    cv::Size size_;
    std::vector<TrackedTarget> tracks_;
    BoxDrawing boxes_;  // follows every frame tracked, for its trails
    int tracked_ = 1;     // the frame of tracks_
    std::string ended_;  // why the session cannot go on: broken down or interrupted
    std::string interrupted_;  // ended_ when interrupted
};

// tavo.Tracker(frame, boxes, *, ids, seed, robust, **settings).
std::shared_ptr<Tracker> makeTracker(py::handle frame, py::handle boxes, py::handle ids, py::handle seed,
                                     py::handle robust, const py::kwargs& settings);

void defineTracker(py::module_& m);

}  // namespace tavo_python
