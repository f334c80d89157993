#include "inputs/video_capture.h"

#include "inputs/file_kind.h"
#include "inputs/image_folder.h"
#include "inputs/quiet_stderr.h"
#include "inputs/sequence_info.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

struct FileCapture {
    cv::VideoCapture video;
    std::optional<ImageFolder> folder;  // read instead of `video` for a folder of images
    double folderRate = 0;              // the frame rate a sequence folder declares, 0: none
    cv::Mat decoded;    // as the decoder delivers it
    cv::Mat converted;  // 8-bit BGR, when the decoded frame is not
    IplImage header;    // the frame handed out, viewing decoded or converted
    std::string problem;  // why the last query gave no frame, when known
    std::string name;     // as the decoder is given it
    bool anyFrame = false;
};

namespace {

// FFmpeg takes a name whose first colon comes before any slash ("file:x",
// "concat:a|b", "pipe:0") as a protocol and what follows as its argument.
// "./" in front keeps such a name a file's.
std::string decoderName(const char* fileName)
{
    const std::string name(fileName);
    const auto colon = name.find(':');
    if (colon != std::string::npos && colon < name.find('/'))
        return "./" + name;
    return name;
}

std::string lowerCaseStart(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string depthName(int depth)
{
    switch (depth) {
    case CV_8S: return "8-bit signed";
    case CV_16U: return "16-bit";
    case CV_16S: return "16-bit signed";
    case CV_32S: return "32-bit integer";
    case CV_32F: return "32-bit floating point";
    case CV_64F: return "64-bit floating point";
    default: return "of depth " + std::to_string(depth);
    }
}

// The frame as 8-bit BGR, or null with `problem` set.
const cv::Mat* asEightBitBgr(const cv::Mat& frame, cv::Mat& converted, std::string& problem)
{
    if (frame.depth() != CV_8U) {
        problem = "its pixels are " + depthName(frame.depth()) + ", not 8-bit";
        return nullptr;
    }
    switch (frame.channels()) {
    case 3:
        return &frame;
    case 1:
        cv::cvtColor(frame, converted, cv::COLOR_GRAY2BGR);
        return &converted;
    case 4:
        cv::cvtColor(frame, converted, cv::COLOR_BGRA2BGR);
        return &converted;
    default:
        problem = "it has " + std::to_string(frame.channels()) + " channels, not 1, 3 or 4";
        return nullptr;
    }
}

// The next frame as decoded.  FFmpeg opens some image files whose pixels
// it cannot decode (floating-point TIFF); when it gives no first frame,
// OpenCV's own image reader is asked.
bool readDecoded(FileCapture& capture)
{
    if (capture.folder)
        return capture.folder->read(capture.decoded, capture.problem);
    if (capture.video.read(capture.decoded) && !capture.decoded.empty())
        return capture.anyFrame = true;
    if (capture.anyFrame || capture.video.getBackendName() != "FFMPEG")
        return false;
    capture.anyFrame = true;  // asked once
    cv::VideoCapture images;
    if (!images.open(capture.name, cv::CAP_IMAGES) || !images.read(capture.decoded) || capture.decoded.empty())
        return false;
    capture.video = std::move(images);
    return true;
}

bool isFolder(const char* name)
{
    struct stat status {};
    return ::stat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

// A folder's images, or a sequence folder's; null when it holds none or
// the sequence declares a frame rate that is none.
FileCapture* createFolderCapture(const std::string& folder)
{
    const bool sequence = isMotSequence(folder);
    std::string rateProblem;
    const double rate = sequence ? sequenceFrameRate(folder, rateProblem) : 0.0;
    if (!rateProblem.empty())
        return nullptr;
    auto* capture = new FileCapture();
    capture->folder.emplace(sequence ? sequenceFrames(folder) : folder);
    capture->folderRate = rate;
    capture->name = folder;
    if (capture->folder->empty()) {
        delete capture;
        return nullptr;
    }
    return capture;
}

std::string cameraDevice(int index) { return "/dev/video" + std::to_string(index); }

}  // namespace

FileCapture* createFileCapture(const char* fileName)
{
    if (!fileName || !*fileName)
        return nullptr;
    if (isFolder(fileName))
        return createFolderCapture(fileName);
    // The decoder would wait on a FIFO, a socket or a device for ever,
    // the video's or an image's of a numbered sequence.
    struct stat status {};
    if (::stat(fileName, &status) == 0 ? specialFileKind(status.st_mode).has_value()
                                        : waitingFileOfSequence(fileName).has_value())
        return nullptr;
    auto* capture = new FileCapture();
    const std::string& name = capture->name = decoderName(fileName);
    QuietStderr quiet;  // the decoder's remarks about the file are not ours
    try {
        // FFmpeg reads video files; a name it cannot read may still be a
        // numbered image sequence ("frame_%03d.png").  Other backends are
        // not asked: they would probe cameras, slowly, for a file name.
        if (!capture->video.open(name, cv::CAP_FFMPEG))
            capture->video.open(name, cv::CAP_IMAGES);
    } catch (const cv::Exception&) {
    }
    if (!capture->video.isOpened()) {
        delete capture;
        return nullptr;
    }
    return capture;
}

FileCapture* createCameraCapture(int index)
{
    // The cameras OpenCV reads here are video4linux devices: without the
    // device file there is none, and the other backends are not probed
    // (slowly, through libusb and FireWire).
    if (::access(cameraDevice(index).c_str(), F_OK) != 0)
        return nullptr;
    auto* capture = new FileCapture();
    capture->name = "camera " + std::to_string(index);
    QuietStderr quiet;  // the camera backends' remarks are not ours
    try {
        capture->video.open(index);
    } catch (const cv::Exception&) {
    }
    if (!capture->video.isOpened()) {
        delete capture;
        return nullptr;
    }
    capture->anyFrame = true;  // no image reader to fall back to
    return capture;
}

std::string cameraProblem(int index)
{
    const std::string device = cameraDevice(index);
    if (::access(device.c_str(), F_OK) != 0)
        return "no camera " + std::to_string(index) + " (there is no " + device + ")";
    return "no camera " + std::to_string(index) + " can be opened: " + device +
           " exists, but is in use, not a camera or not readable";
}

std::string openProblem(const char* fileName)
{
    if (!fileName || !*fileName)
        return "no such file";
    struct stat status {};
    if (::stat(fileName, &status) != 0) {
        const int why = errno;
        if (const auto waiting = waitingFileOfSequence(fileName))
            return "its image '" + waiting->name + "' is " + waiting->kind + ": a read could wait for ever";
        return why == ENOENT ? "no such file" : lowerCaseStart(std::strerror(why));
    }
    if (const auto kind = specialFileKind(status.st_mode))
        return "it is " + *kind + ", not a video file: a read could wait for ever";
    if (S_ISDIR(status.st_mode) && isMotSequence(fileName)) {
        std::string rateProblem;
        sequenceFrameRate(fileName, rateProblem);
        return rateProblem.empty() ? "the sequence folder's img1/ holds no images" : rateProblem;
    }
    if (S_ISDIR(status.st_mode))
        return "the folder holds no images (png, jpg, bmp, tif, ppm, webp, ...)";
    const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return lowerCaseStart(std::strerror(errno));
    ::close(fd);
    return "it is no video the decoder can read";
}

IplImage* queryFrame(FileCapture* capture)
{
    if (!capture)
        return nullptr;
    capture->problem.clear();
    QuietStderr quiet;  // damaged frames make the decoder talk
    try {
        if (!readDecoded(*capture))
            return nullptr;
        const cv::Mat* frame = asEightBitBgr(capture->decoded, capture->converted, capture->problem);
        if (!frame)
            return nullptr;
        capture->header = cvIplImage(*frame);
        return &capture->header;
    } catch (const std::bad_alloc&) {
        capture->problem = "not enough memory to decode it";
    } catch (const cv::Exception& e) {
        capture->problem = e.code == cv::Error::StsNoMem ? "not enough memory to decode it"
                                                         : "the decoder failed: " + e.err;
    }
    return nullptr;
}

int skipFrames(FileCapture* capture, int count)
{
    if (!capture)
        return 0;
    QuietStderr quiet;
    int skipped = 0;
    try {
        while (skipped < count && (capture->folder ? capture->folder->skip() : readDecoded(*capture)))
            ++skipped;
    } catch (const std::exception&) {
    }
    return skipped;
}

std::string captureProblem(const FileCapture* capture) { return capture ? capture->problem : std::string(); }

double captureFrameRate(const FileCapture* capture)
{
    if (!capture)
        return 0.0;
    if (capture->folder)
        return capture->folderRate;
    const double fps = capture->video.get(cv::CAP_PROP_FPS);
    return std::isfinite(fps) && fps > 0 ? fps : 0.0;
}

int captureFrameCount(const FileCapture* capture)
{
    if (!capture)
        return 0;
    if (capture->folder)
        return capture->folder->size();
    const double n = capture->video.get(cv::CAP_PROP_FRAME_COUNT);
    return std::isfinite(n) && n > 0 && n < 2147483647.0 ? static_cast<int>(n) : 0;
}

void releaseCapture(FileCapture** capture)
{
    if (!capture)
        return;
    delete *capture;
    *capture = nullptr;
}
