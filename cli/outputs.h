#pragma once

// The result files of a run: MOTChallenge boxes, the estimates as CSV, and
// the annotated video.

#include "cli/options.h"
#include "cli/result_lines.h"
#include "tracker/tavo.h"

#include <opencv2/core/types_c.h>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace tavo_cli {

// A text file written line by line, flushed after every frame so that it
// holds whole frames whenever the run stops.
class TextOutput {
public:
    TextOutput() = default;
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // Creates (or truncates) the file; false with `error` set on failure.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    void write(const std::string& text);
    // Hands the written lines to the system; false with `error` set when
    // writing failed.
    bool flush(std::string& error);
    // Flushes and closes; false with `error` set when anything failed.
    bool close(std::string& error);

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};

// The annotated frames as an MJPG AVI.
class VideoOutput {
public:
    // False with `error` set when the file cannot be created.
    bool open(const std::string& path, double framesPerSecond, CvSize size, std::string& error);
    bool isOpen() const { return writer_.isOpened(); }
    void write(const CvMat& frame);
    void close();

private:
    cv::VideoWriter writer_;
};

// Every result file a run writes.  Opens all of them or none: a refusal
// closes what was opened and removes the files the run created.  Each
// frame's lines are handed to the system at once, so the files hold whole
// frames whenever the run stops.
class Outputs {
public:
    // Opens the files the options name, the video first as it is the
    // likeliest to be refused; false with `error` set on a refusal.
    bool open(const Options& options, double framesPerSecond, CvSize frameSize, std::string& error);
    // The results of one tracked frame: a MOT line and an estimates line per
    // target, in list order, and the annotated frame.
    bool writeFrame(int frameNumber, const tavo& tracker, const CvMat& annotated, std::string& error);
    // Closes every file; false with `error` set when anything failed.
    bool close(std::string& error);

private:
    void discard();

    TextOutput mot_, estimates_;
    VideoOutput video_;
    std::vector<std::string> created_;
};

}  // namespace tavo_cli
