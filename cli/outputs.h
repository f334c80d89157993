#pragma once

// The result files of a run: MOTChallenge boxes, the estimates as CSV, and
// the annotated video.  Each is written under a temporary name and replaces
// its target only when the run's results are kept (see PendingFile).

#include "cli/options.h"
#include "cli/pending_file.h"
#include "cli/result_lines.h"
#include "tracker/tracking_session.h"

#include <opencv2/core/types_c.h>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace tavo_cli {

// A text file written line by line, flushed after every frame so that it
// holds whole frames whenever the run stops.  The first failure is kept
// with the system's reason.
class TextOutput {
public:
    TextOutput() = default;
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
    bool commit(std::string& error) { return pending_.commit(error); }
    // Closes the file if open and removes what was written.
    void discard();

private:
    bool fail(std::string& error);

    PendingFile pending_;
    std::FILE* file_ = nullptr;
    int failure_ = 0;  // errno of the first failure, 0 for none
};

// The annotated frames as an MJPG AVI.  OpenCV's writer reports no write
// errors, so the closed file is read back: it must hold every frame written.
class VideoOutput {
public:
    ~VideoOutput() { discard(); }

    // False with `error` set when the file cannot be created, with the
    // reason where it can be told.
    bool open(const std::string& path, double framesPerSecond, CvSize size, std::string& error);
    bool isOpen() const { return writer_.isOpened(); }
    void write(const CvMat& frame);
    // Finishes the file and checks it; false with `error` set when it does
    // not hold every frame written.
    bool close(std::string& error);
    bool commit(std::string& error) { return pending_.commit(error); }
    void discard();

private:
    PendingFile pending_;
    cv::VideoWriter writer_;
    int framesWritten_ = 0;
};

// Every result file a run writes.  Opens all of them or none.  Each frame's
// lines are handed to the system at once, so the files hold whole frames
// whenever the run stops.  Nothing replaces an existing file before commit;
// files not committed are removed when the object goes.
class Outputs {
public:
    // Opens the files the options name, the video first as it is the
    // likeliest to be refused; false with `error` set on a refusal.
    bool open(const Options& options, double framesPerSecond, CvSize frameSize, std::string& error);
    // The results of one tracked frame: a MOT line and an estimates line per
    // target, in list order (the MOT file's conf column holding each
    // target's confidence when `withConfidence`), and the annotated frame.
    bool writeFrame(int frameNumber, const std::vector<TrackedTarget>& targets, bool withConfidence,
                    const CvMat* annotated, std::string& error);
    // Whether the video output needs the annotated frames.
    bool needsDrawing() const { return video_.isOpen(); }
    // Closes every file; false with `error` set (the first failure) when
    // anything failed.
    bool close(std::string& error);
    // After a successful close: every file replaces its target.
    bool commit(std::string& error);
    // Removes every file of the run.
    void discard();

private:
    TextOutput mot_, estimates_;
    VideoOutput video_;
};

}  // namespace tavo_cli
