#pragma once

// The video a run tracks, for the command and the Python module alike:
// opened (a file, an image sequence, a folder, a MOTChallenge sequence
// folder or a camera), its first frame to track read and checked, then read
// frame by frame, with every reason a frame cannot be used put in words.

#include "inputs/video_capture.h"

#include <opencv2/core/types_c.h>

#include <memory>
#include <optional>
#include <string>

// What to open: a file (or folder, or image sequence) or a camera, and the
// frame to start on (1: the first; more only for tavo-track's --start).
struct VideoOrigin {
    std::string file;
    std::optional<int> camera;
    int start = 1;
};

// Why a video could not be opened or started.
enum class VideoFault {
    NoSuchFile,
    PermissionDenied,
    NotAVideo,   // any other reason the file cannot be opened
    NoCamera,
    FirstFrame,  // opened, but its first frame to track cannot be used
};

// "WxH, depth D bits, C channels".
std::string frameKind(const IplImage* frame);

class VideoSource {
public:
    // Opens the video and reads the frame to start on; null with `error`
    // (the whole message) and `fault` set.
    static std::unique_ptr<VideoSource> open(const VideoOrigin& origin, std::string& error, VideoFault& fault);
    ~VideoSource();
    VideoSource(const VideoSource&) = delete;
    VideoSource& operator=(const VideoSource&) = delete;

    const std::string& name() const { return name_; }  // the file's, or "camera N"
    // The current frame: owned by the capture, valid until next().
    IplImage* frame() const { return frame_; }
    CvSize frameSize() const { return cvSize(frame_->width, frame_->height); }
    double declaredRate() const;  // frames per second, 0 when unknown
    int declaredFrames() const;   // 0 when unknown; only an estimate for some containers

    // Reads the next frame; false at the end of the video or when the next
    // frame cannot be used (endMessages() tells which).
    bool next();

    // Why next() gave false after frame `last`, for a run whose first frame
    // was `first`: an error when a frame could not be used (`error` set),
    // a warning when the video ended before the frames it declares
    // (`warning` set), or neither at its plain end.
    struct EndMessages {
        std::string error;
        std::string warning;
    };
    EndMessages endMessages(int first, int last) const;

    // The message for frame `number`, read but of another size or kind than
    // the first.
    std::string otherKindMessage(int number) const;

private:
    VideoSource() = default;
    bool start(const VideoOrigin& origin, std::string& error, VideoFault& fault);

    FileCapture* capture_ = nullptr;
    std::string name_;
    IplImage* frame_ = nullptr;
    std::string firstKind_;
};
