// The frame loop of a run: every frame written, scored and shown, then the
// next one read and tracked.

#include "programs/track/display_loss.h"
#include "programs/track/interrupts.h"
#include "programs/track/progress.h"
#include "programs/track/tracking_run.h"
#include "rendering/box_drawing.h"

#include <chrono>
#include <future>

namespace tavo_cli {

namespace {

using Clock = TrackingRun::Clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The frame annotated for the video output and the observers that show
// it, drawn in the --draw style only when one of them asks for it.  The
// boxes drawing keeps the targets' trails from frame to frame.
class Annotation {
public:
    Annotation(bool wanted, DrawingStyle style, bool states) : wanted_(wanted), style_(style)
    {
        boxes_.showStates(states);
    }
    const CvMat* draw(TrackingSession& session)
    {
        if (!wanted_)
            return nullptr;
        session.frame().copyTo(image_);
        if (style_ == DrawingStyle::Design)
            session.draw(image_);
        else
            boxes_.draw(session, image_, style_ == DrawingStyle::Samples);
        header_ = cvMat(image_);
        return &header_;
    }

private:
    bool wanted_;
    DrawingStyle style_;
    BoxDrawing boxes_;
    cv::Mat image_;
    CvMat header_;
};

// How often the live window is looked at while a frame is tracked: the
// frame's end is waited for in between, so that it counts no longer than
// it took.
constexpr std::chrono::milliseconds kWindowPollInterval(20);

// Tracks the next frame.  With the live window, the frame is tracked on
// another thread while this one keeps the window answering, so that Escape
// or closing it stops even a long frame.
StepOutcome stepSession(TrackingSession& session, const cv::Mat& frame, LiveView* view)
{
    if (!view)
        return session.step(frame);
    std::future<StepOutcome>& pending = view->step();
    pending = std::async(std::launch::async, [&] { return session.step(frame); });
    while (pending.wait_for(kWindowPollInterval) != std::future_status::ready)
        if (!view->stillWanted())
            requestStop();
    return pending.get();
}

// Gives the scorer the frame's boxes (in the editor's order when it
// changes the targets); the vectors are kept from frame to frame.
class FrameScoring {
public:
    FrameScoring(Scorer* scorer, const TargetEditor& editor) : scorer_(scorer), editor_(editor) {}
    void add(int frameNumber, const std::vector<TrackedTarget>& targets)
    {
        if (!scorer_)
            return;
        if (editor_.active()) {
            editor_.scoringRow(targets, boxes_, lost_);
            scorer_->addFrame(frameNumber, boxes_, lost_);
            return;
        }
        boxes_.clear();
        lost_.clear();
        for (const TrackedTarget& target : targets) {
            boxes_.push_back(target.box);
            lost_.push_back(target.lost ? 1 : 0);
        }
        scorer_->addFrame(frameNumber, boxes_, lost_);
    }

private:
    Scorer* scorer_;
    const TargetEditor& editor_;
    std::vector<RealBox> boxes_;
    std::vector<char> lost_;
};

}  // namespace

TrackingEnd TrackingRun::trackFrames()
{
    Progress progress(Progress::kindFor(options_.progress.value_or(!options_.quiet), err_), plannedFrames(), err_);
    const TrackingEnd end = trackUntilEnd(progress);
    progress.clear();
    return end;
}

TrackingEnd TrackingRun::trackUntilEnd(Progress& progress)
{
    bool drawingWanted = outputs_.needsDrawing();
    for (const FrameObserver* observer : observers_)
        drawingWanted = drawingWanted || observer->needsDrawing();
    Annotation annotation(drawingWanted, options_.drawing, options_.states);
    FrameScoring scoring(scorer_ ? &*scorer_ : nullptr, editor_);
    LiveView* view = view_ ? &*view_ : nullptr;
    // The conf column holds the confidence when it says something: with
    // lost-and-found, or when it is the calibrated one.
    const TrackingSettings& settings = session_->settings();
    const bool withConfidence =
        settings.motion.lostAndFound || settings.confidence.kind == ConfidenceKind::Calibrated;
    std::string error;
    double trackMs = firstMs_;
    Clock::time_point frameStart = firstStart_;
    // Frames are numbered as in the video, from --start on.
    const int skipped = options_.start - 1;
    for (;;) {
        const int frameNumber = session_->frameNumber() + skipped;
        if (editor_.active())
            applyEdits(frameNumber);
        const CvMat* annotated = annotation.draw(*session_);
        if (!outputs_.writeFrame(frameNumber, session_->targets(), withConfidence, annotated, error)) {
            message(error);
            return TrackingEnd{kExitRunError, false};
        }
        scoring.add(frameNumber, session_->targets());
        if (StageTimes* stages = session_->stageTimes()) {
            stages->lap(Stage::Outputs);
            stages->endFrame();
        }
        times_.add(trackMs, millisecondsSince(frameStart));
        progress.update(frameNumber, times_);
        // Outside the frame's time: a paused window would count as tracking.
        bool goOn = true;
        for (FrameObserver* observer : observers_)
            goOn = observer->frameTracked(frameNumber, session_->targets(), annotated) && goOn;
        // The changes of --apply-edits come where those made while paused
        // on this frame were made: after every observer, the window last.
        if (!options_.applyEditsFile.empty())
            applyFileEdits(frameNumber);
        if (!goOn || (options_.frames > 0 && session_->frameNumber() >= options_.frames) || stopRequested())
            return TrackingEnd{};

        frameStart = Clock::now();
        if (StageTimes* stages = session_->stageTimes())
            stages->startFrame();
        const bool read = video_->next();
        lap(session_->stageTimes(), Stage::Decoding);
        if (!read) {
            const VideoSource::EndMessages end = video_->endMessages(options_.start, frameNumber);
            if (!end.warning.empty())
                warning(end.warning);
            if (end.error.empty())
                return TrackingEnd{};
            message(end.error);
            return TrackingEnd{kExitRunError, false};  // a failed run: earlier result files stay as they were
        }
        const Clock::time_point trackStart = Clock::now();
        const StepOutcome outcome = stepSession(*session_, cv::cvarrToMat(video_->frame()), view);
        trackMs = millisecondsSince(trackStart);
        if (outcome == StepOutcome::Interrupted)
            return TrackingEnd{};  // the frame is incomplete: nothing of it is written
        if (outcome == StepOutcome::OtherFrameKind) {
            message(video_->otherKindMessage(frameNumber + 1));
            return TrackingEnd{kExitRunError};  // the frames before it are whole: they are kept
        }
        if (outcome == StepOutcome::BrokenDown) {
            message(session_->error());
            return TrackingEnd{kExitRunError, false};
        }
    }
}

void TrackingRun::applyEdits(int frame)
{
    std::vector<std::string> warnings;
    editor_.apply(*session_, frame, warnings);
    for (const std::string& text : warnings)
        warning(text);
}

void TrackingRun::applyFileEdits(int frame)
{
    for (const auto& [edit, refusal] : editor_.applyFileEdits(*session_, frame)) {
        if (refusal.empty())
            recordEdit(edit);
        else
            warning(refusal);
    }
}

std::string TrackingRun::makeLiveEdit(TargetEdit& edit)
{
    edit.frame = session_->frameNumber() + options_.start - 1;
    std::string error;
    if (!editor_.applyEdit(*session_, edit, error))
        return error;
    recordEdit(edit);
    return "";
}

void TrackingRun::recordEdit(const TargetEdit& edit)
{
    message("edit: " + editLine(edit));
    std::string error;
    if (editsOut_.isOpen() && !editsOut_.append(edit, error))
        warning(error);
}

int TrackingRun::trackAndFinish()
{
    std::optional<DisplayLossGuard> displayLoss;
    if (view_)
        displayLoss.emplace([&] {
            requestStop();
            if (view_->step().valid())
                view_->step().wait();  // the frame tracked meanwhile stops at once, unwritten
            return finish(TrackingEnd{kExitSuccess, true, true});
        });
    TrackingEnd end = trackFrames();
    const int status = finish(end);
    // The results are written: the last frame stays on screen until the
    // user is done with it, and a display lost meanwhile changes nothing.
    if (view_ && !stopRequested()) {
        displayLoss.emplace([status] { return status; });
        view_->waitAtEnd();
    }
    return status;
}

}  // namespace tavo_cli
