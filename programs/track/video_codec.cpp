#include "programs/track/video_codec.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

namespace tavo_cli {

namespace {

// The extensions of the MP4 and QuickTime containers.
const char* const kH264Extensions[] = {".mp4", ".m4v", ".mov"};

// The names FFmpeg knows H.264 by, most common first: 'avc1' is the MP4
// tag; the others select the same encoder where a build lacks that tag.
const char* const kH264Fourccs[] = {"avc1", "H264", "X264"};

// The smallest frames each encoder is given.  FFmpeg's scaler aborts the
// process (an assertion) on MJPG frames 2 to 7 pixels wide at many heights
// (2x8, 4x4, 6x72, ...; none 8 or more wide up to 700 high), and corrupts
// memory for frames 2 pixels wide at some heights with H.264.
const cv::Size kSmallestMjpgFrame(8, 2);
const cv::Size kSmallestH264Frame(4, 4);

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int fourcc(const char* name) { return cv::VideoWriter::fourcc(name[0], name[1], name[2], name[3]); }

std::vector<int> fourccsOf(VideoCodec codec)
{
    if (codec == VideoCodec::Mjpg)
        return {fourcc("MJPG")};
    std::vector<int> codes;
    for (const char* name : kH264Fourccs)
        codes.push_back(fourcc(name));
    return codes;
}

std::string sizeText(cv::Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

// Why no H.264 writer opened although the frames suit it.
std::string noH264Reason(const std::string& name)
{
    std::string tried;
    for (const char* code : kH264Fourccs)
        tried += std::string(tried.empty() ? "" : ", ") + code;
    const std::string avi = std::filesystem::path(name).replace_extension(".avi").string();
    return "OpenCV's FFmpeg here has no H.264 encoder (fourcc " + tried + " tried), which a '" +
           std::filesystem::path(name).extension().string() +
           "' video needs to play in browsers; write an MJPG AVI instead, e.g. --video " + avi;
}

}  // namespace

VideoCodec videoCodecFor(const std::string& name)
{
    const std::string extension = lowerCase(std::filesystem::path(name).extension().string());
    for (const char* h264 : kH264Extensions)
        if (extension == h264)
            return VideoCodec::H264;
    return VideoCodec::Mjpg;
}

const char* videoCodecName(VideoCodec codec) { return codec == VideoCodec::H264 ? "H.264" : "MJPG"; }

std::optional<std::string> frameSizeRefusal(VideoCodec codec, cv::Size size)
{
    const cv::Size smallest = codec == VideoCodec::H264 ? kSmallestH264Frame : kSmallestMjpgFrame;
    if (size.width >= smallest.width && size.height >= smallest.height)
        return std::nullopt;
    return "the encoder takes frames of at least " + sizeText(smallest) + " pixels, not " + sizeText(size);
}

bool openVideoWriter(cv::VideoWriter& writer, const std::string& fileName, VideoCodec codec,
                     double framesPerSecond, cv::Size size)
{
    for (const int code : fourccsOf(codec)) {
        try {
            if (writer.open(fileName, cv::CAP_FFMPEG, code, framesPerSecond, size))
                return true;
        } catch (const cv::Exception&) {
        }
    }
    return false;
}

std::string videoRefusalMessage(const std::string& name, VideoCodec codec, cv::Size size)
{
    const std::string extension = std::filesystem::path(name).extension().string();
    std::string reason;
    if (extension.empty())
        reason = "the name needs an extension that names the container, such as .avi";
    else if (const auto small = frameSizeRefusal(codec, size))
        reason = *small;
    else if (codec == VideoCodec::H264)
        reason = noH264Reason(name);
    else
        reason = "no MJPG video can be written with the extension '" + extension + "'";
    return "--video: cannot create the video '" + name + "': " + reason;
}

}  // namespace tavo_cli
