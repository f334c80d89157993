#pragma once

// The result files of a run: MOTChallenge boxes, the estimates as CSV, and
// the annotated video.

#include "tracker/sample.h"

#include <opencv2/core/types_c.h>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <string>

namespace tavo_cli {

// The integer box the drawing outlines for an estimate, as top-left corner
// and size (w = X1 - X0 + 1, h = Y1 - Y0 + 1 of the drawing's corners).
struct PixelBox {
    int x = 0, y = 0, width = 0, height = 0;
};
PixelBox estimateBox(const Sample& estimate, float baseWidth, float baseHeight);

// "frame,id,x,y,w,h,1,-1,-1,-1\n"
std::string motLine(int frame, int id, const PixelBox& box);

// The estimates CSV: its header line and one line per target and frame,
// every float with %.9g so that it reads back to the same float.
extern const char* const kEstimatesHeader;
std::string estimateLine(int frame, int id, const Sample& estimate);

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

}  // namespace tavo_cli
