#include "inputs/video_source.h"

#include <mutex>

namespace {

// The capture hides the decoder's remarks by pointing the process's
// standard error elsewhere while it works: one capture at a time, so that
// two threads (Python's) do not restore each other's redirection.
std::mutex& decoding()
{
    static std::mutex mutex;
    return mutex;
}

VideoFault faultOf(const std::string& problem)
{
    if (problem == "no such file")
        return VideoFault::NoSuchFile;
    if (problem == "permission denied")
        return VideoFault::PermissionDenied;
    return VideoFault::NotAVideo;
}

std::string beyondTheEnd(const std::string& name, int frames, int start)
{
    return "'" + name + "' has " + std::to_string(frames) + " frames: --start " + std::to_string(start) +
           " lies beyond its end";
}

}  // namespace

std::string frameKind(const IplImage* f)
{
    return std::to_string(f->width) + "x" + std::to_string(f->height) + ", depth " + std::to_string(f->depth & 0xff) +
           " bits, " + std::to_string(f->nChannels) + " channels";
}

std::unique_ptr<VideoSource> VideoSource::open(const VideoOrigin& origin, std::string& error, VideoFault& fault)
{
    std::unique_ptr<VideoSource> source(new VideoSource);
    if (!source->start(origin, error, fault))
        return nullptr;
    return source;
}

VideoSource::~VideoSource()
{
    std::lock_guard<std::mutex> lock(decoding());
    releaseCapture(&capture_);
}

bool VideoSource::start(const VideoOrigin& origin, std::string& error, VideoFault& fault)
{
    const std::lock_guard<std::mutex> lock(decoding());
    name_ = origin.camera ? "camera " + std::to_string(*origin.camera) : origin.file;
    capture_ = origin.camera ? createCameraCapture(*origin.camera) : createFileCapture(origin.file.c_str());
    if (!capture_) {
        if (origin.camera) {
            fault = VideoFault::NoCamera;
            error = "--camera " + std::to_string(*origin.camera) + ": " + cameraProblem(*origin.camera);
        } else {
            const std::string problem = openProblem(origin.file.c_str());
            fault = faultOf(problem);
            error = "cannot open the video '" + origin.file + "': " + problem;
        }
        return false;
    }
    fault = VideoFault::FirstFrame;
    if (const int skipped = skipFrames(capture_, origin.start - 1); skipped < origin.start - 1) {
        error = beyondTheEnd(name_, skipped, origin.start);
        return false;
    }
    frame_ = queryFrame(capture_);
    if (!frame_) {
        const std::string problem = captureProblem(capture_);
        const int declared = captureFrameCount(capture_);
        if (!problem.empty())
            error = "cannot use the first frame of '" + name_ + "': " + problem;
        else if (origin.start > 1 && declared < origin.start)
            error = beyondTheEnd(name_, origin.start - 1, origin.start);
        else if (declared > 0)
            error = "cannot decode the first frame of '" + name_ + "', though the file declares " +
                    std::to_string(declared) + " frames";
        else
            error = "the video '" + name_ + "' has no frames";
        return false;
    }
    if ((frame_->depth & 0xff) != 8 || frame_->nChannels != 3) {
        error = "cannot use the first frame of '" + name_ + "' (" + frameKind(frame_) + ")";
        return false;
    }
    firstKind_ = frameKind(frame_);
    return true;
}

double VideoSource::declaredRate() const { return captureFrameRate(capture_); }

int VideoSource::declaredFrames() const { return captureFrameCount(capture_); }

bool VideoSource::next()
{
    const std::lock_guard<std::mutex> lock(decoding());
    frame_ = queryFrame(capture_);
    return frame_ != nullptr;
}

VideoSource::EndMessages VideoSource::endMessages(int first, int last) const
{
    EndMessages m;
    const int declared = captureFrameCount(capture_);
    if (const std::string problem = captureProblem(capture_); !problem.empty())
        m.error = "cannot use frame " + std::to_string(last + 1) + " of '" + name_ + "': " + problem +
                  ": stopped after frame " + std::to_string(last);
    else if (declared > last)
        m.warning = "'" + name_ + "' ends early: frame " + std::to_string(last + 1) +
                    " cannot be read, though the file declares " + std::to_string(declared) +
                    " frames; the results cover frames " + std::to_string(first) + " to " + std::to_string(last);
    return m;
}

std::string VideoSource::otherKindMessage(int number) const
{
    return "frame " + std::to_string(number) + " of '" + name_ + "' is " + frameKind(frame_) +
           ", unlike the first frame (" + firstKind_ + "): stopped after frame " + std::to_string(number - 1);
}
