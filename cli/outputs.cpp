#include "cli/outputs.h"

#include "app/quiet_stderr.h"
#include "render/drawing_corners.h"

#include <opencv2/core/core_c.h>
#include <opencv2/core/fast_math.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace tavo_cli {

PixelBox estimateBox(const Sample& e, float baseWidth, float baseHeight)
{
    const DrawingCorners c = drawingCorners(e.posX, e.posY, e.scaleX, e.scaleY, baseWidth, baseHeight);
    // A one-pixel target whose estimated scale falls just below 1 has its
    // right corner truncated left of its left one; a box is never narrower
    // than one pixel.
    return PixelBox{c.x0, c.y0, std::max(1, c.x1 - c.x0 + 1), std::max(1, c.y1 - c.y0 + 1)};
}

std::string motLine(int frame, int id, const PixelBox& b)
{
    char line[128];
    std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%d,1,-1,-1,-1\n", frame, id, b.x, b.y, b.width, b.height);
    return line;
}

const char* const kEstimatesHeader = "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y\n";

std::string estimateLine(int frame, int id, const Sample& e)
{
    char line[256];
    std::snprintf(line, sizeof line, "%d,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", frame, id, e.posX, e.posY, e.velX,
                  e.velY, e.scaleX, e.scaleY);
    return line;
}

TextOutput::~TextOutput()
{
    std::string ignored;
    close(ignored);
}

bool TextOutput::open(const std::string& path, std::string& error)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    path_ = path;
    failed_ = false;
    return true;
}

void TextOutput::write(const std::string& text)
{
    if (file_ && !failed_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        failed_ = true;
}

bool TextOutput::flush(std::string& error)
{
    if (file_ && !failed_ && std::fflush(file_) != 0)
        failed_ = true;
    if (failed_)
        error = "cannot write '" + path_ + "'";
    return !failed_;
}

bool TextOutput::close(std::string& error)
{
    if (!file_)
        return !failed_;
    bool ok = flush(error);
    if (std::fclose(file_) != 0 && ok) {
        failed_ = true;
        error = "cannot write '" + path_ + "'";
        ok = false;
    }
    file_ = nullptr;
    return ok;
}

bool VideoOutput::open(const std::string& path, double framesPerSecond, CvSize size, std::string& error)
{
    QuietStderr quiet;  // the encoder's own complaints are not ours to show
    try {
        writer_.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), framesPerSecond,
                     cv::Size(size.width, size.height));
    } catch (const cv::Exception&) {
    }
    if (!writer_.isOpened()) {
        error = "cannot create the video '" + path + "'";
        return false;
    }
    return true;
}

void VideoOutput::write(const CvMat& frame)
{
    if (!writer_.isOpened())
        return;
    QuietStderr quiet;
    writer_.write(cv::cvarrToMat(&frame));
}

void VideoOutput::close()
{
    QuietStderr quiet;
    writer_.release();
}

}  // namespace tavo_cli
