#pragma once

// The result files of a run: MOTChallenge boxes, the estimates as CSV, the
// annotated video and the --plot pictures.  Each is written under a
// temporary name and replaces its target only when the run's results are
// kept (see PendingFile).

#include "programs/track/options.h"
#include "programs/track/pending_file.h"
#include "programs/track/result_lines.h"
#include "session/tracking_session.h"

#include <opencv2/core/types_c.h>
#include <opencv2/videoio.hpp>

#include <opencv2/core.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavo_cli {

// A text file written line by line, flushed after every frame so that it
// holds whole frames whenever the run stops.  The first failure is kept
// with the system's reason.
class TextOutput {
public:
    // `option` names the file in messages ("--mot").
    explicit TextOutput(const char* option = "") : option_(option) {}
    ~TextOutput() { discard(); }
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // Creates the file; false with `error` set on failure.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    void write(const std::string& text);
    // Hands the written lines to the system; false with `error` set when
    // writing failed.
    bool flush(std::string& error);
    // Flushes and closes; false with `error` set when anything failed.
    bool close(std::string& error);
    // After a successful close: the file replaces its target.
    // The file that replaces its target when the run's results are kept.
    PendingFile& pending() { return pending_; }
    // Closes the file if open and removes what was written.
    void discard();

private:
    bool fail(std::string& error);

    const char* option_;
    PendingFile pending_;
    std::FILE* file_ = nullptr;
    int failure_ = 0;  // errno of the first failure, 0 for none
};

// The annotated frames, MJPG or H.264 by the file's extension (see
// video_codec.h).  OpenCV's writer reports no write errors, so the closed
// file is read back: it must hold every frame written.
class VideoOutput {
public:
    ~VideoOutput() { discard(); }

    // False with `error` set when the file cannot be created or its codec
    // cannot be written here, with the reason where it can be told.  Named
    // by --video in messages.
    bool open(const std::string& path, double framesPerSecond, CvSize size, std::string& error);
    bool isOpen() const { return writer_.isOpened(); }
    void write(const CvMat& frame);
    // Finishes the file and checks it; false with `error` set when it does
    // not hold every frame written.
    bool close(std::string& error);
    PendingFile& pending() { return pending_; }
    void discard();

private:
    // Why the closed file does not hold every frame, with the system's
    // reason where it can be told.
    std::string incompleteReason(int held) const;

    PendingFile pending_;
    cv::VideoWriter writer_;
    int framesWritten_ = 0;
};

// A PNG picture, written whole once the run has drawn it.
class PictureOutput {
public:
    // `option` names the file in messages ("--plot").
    explicit PictureOutput(const char* option) : option_(option) {}
    ~PictureOutput() { discard(); }
    PictureOutput(const PictureOutput&) = delete;
    PictureOutput& operator=(const PictureOutput&) = delete;

    // Creates the file; false with `error` set on failure.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return fd_ >= 0; }
    // Writes the picture and closes the file; false with `error` set, with
    // the system's reason, when that fails.
    bool write(const cv::Mat& picture, std::string& error);
    PendingFile& pending() { return pending_; }
    void discard();

private:
    const char* option_;
    PendingFile pending_;
    int fd_ = -1;
};

// Why one of the existing files the options name as outputs may not be
// replaced: "OPTION: cannot replace 'FILE': REASON"; nothing when none is
// write-protected.
std::optional<std::string> protectedOutput(const Options& options);

// Every result file a run writes.  Opens all of them or none.  Each frame's
// lines are handed to the system at once, so the files hold whole frames
// whenever the run stops.  Nothing replaces an existing file before commit;
// files not committed are removed when the object goes.
class Outputs {
public:
    // Opens the files the options name, the video first as it is the
    // likeliest to be refused; false with `error` set on a refusal.  Removes
    // first what runs that died left in their folders (see warnings()).
    bool open(const Options& options, double framesPerSecond, CvSize frameSize, std::string& error);
    // Warnings of open(): left temporary files that could not be removed,
    // and files to replace that have other names (hard links), which keep
    // the earlier content.
    const std::vector<std::string>& warnings() const { return warnings_; }
    // The results of one tracked frame: a MOT line (none while the target is
    // lost) and an estimates line per target, in list order (the MOT file's
    // conf column holding each target's confidence when `withConfidence`),
    // and the annotated frame.
    bool writeFrame(int frameNumber, const std::vector<TrackedTarget>& targets, bool withConfidence,
                    const CvMat* annotated, std::string& error);
    // Whether the video output needs the annotated frames.
    bool needsDrawing() const { return video_.isOpen(); }
    // Closes every file; false with `error` set (the first failure) when
    // anything failed.
    bool close(std::string& error);
    // The --plot pictures, after close: the path picture and, with --gt,
    // the error picture; false with `error` set when one cannot be written.
    bool writePlot(const cv::Mat& picture, std::string& error) { return plot_.write(picture, error); }
    bool writeErrorPlot(const cv::Mat& picture, std::string& error) { return errorPlot_.write(picture, error); }
    // After a successful close: every file replaces its target, all of them
    // or none (see commitTogether).
    bool commit(std::string& error);
    // Removes every file of the run.
    void discard();

private:
    TextOutput mot_{"--mot"}, estimates_{"--estimates"}, terms_{"--confidence-terms"};
    VideoOutput video_;
    PictureOutput plot_{"--plot"}, errorPlot_{"--plot"};
    std::vector<std::string> warnings_;
    bool withStates_ = false;  // --states: the estimates' state column
};

}  // namespace tavo_cli
