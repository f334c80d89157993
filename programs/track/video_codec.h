#pragma once

// The codec of the annotated video (--video), chosen by the file's
// extension: H.264 in the MP4 and QuickTime containers (.mp4, .m4v, .mov),
// the only codec browsers and phones play there; MJPG in an AVI and in any
// other container FFmpeg takes it in, as tavo-track always wrote.  Whether
// H.264 can be written depends on the encoders of the FFmpeg below OpenCV
// (Debian's has libx264); the writer is opened, with each name of the codec
// in turn, before the tracking starts.

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <optional>
#include <string>

namespace tavo_cli {

enum class VideoCodec { Mjpg, H264 };

// The codec a video named `name` gets, by its extension in any case.
VideoCodec videoCodecFor(const std::string& name);

// "MJPG" or "H.264", for messages.
const char* videoCodecName(VideoCodec codec);

// Why frames of `size` cannot be encoded with `codec`; nothing when they can.
std::optional<std::string> frameSizeRefusal(VideoCodec codec, cv::Size size);

// Opens `writer` on the file `fileName` through FFmpeg with `codec`, trying
// each fourcc that names it; false when none opens.
bool openVideoWriter(cv::VideoWriter& writer, const std::string& fileName, VideoCodec codec,
                     double framesPerSecond, cv::Size size);

// The message for a video `name` of frames of `size` that no writer opened
// for: "--video: cannot create the video 'NAME': REASON", suggesting an
// .avi where the codec is H.264.
std::string videoRefusalMessage(const std::string& name, VideoCodec codec, cv::Size size);

}  // namespace tavo_cli
