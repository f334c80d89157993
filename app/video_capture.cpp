#include "app/video_capture.h"

#include "app/quiet_stderr.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>

struct FileCapture {
    cv::VideoCapture video;
    cv::Mat decoded;    // as the decoder delivers it
    cv::Mat converted;  // 8-bit BGR, when the decoded frame is not
    IplImage header;    // the frame handed out, viewing decoded or converted
};

FileCapture* createFileCapture(const char* fileName)
{
    if (!fileName || !*fileName)
        return nullptr;
    auto* capture = new FileCapture();
    QuietStderr quiet;  // the decoder's remarks about the file are not ours
    try {
        // FFmpeg reads video files; a name it cannot read may still be a
        // numbered image sequence ("frame_%03d.png").  Other backends are
        // not asked: they would probe cameras, slowly, for a file name.
        if (!capture->video.open(fileName, cv::CAP_FFMPEG))
            capture->video.open(fileName, cv::CAP_IMAGES);
    } catch (const cv::Exception&) {
    }
    if (!capture->video.isOpened()) {
        delete capture;
        return nullptr;
    }
    return capture;
}

IplImage* queryFrame(FileCapture* capture)
{
    if (!capture)
        return nullptr;
    QuietStderr quiet;  // damaged frames make the decoder talk
    try {
        if (!capture->video.read(capture->decoded) || capture->decoded.empty())
            return nullptr;
        const cv::Mat* frame = &capture->decoded;
        if (frame->depth() != CV_8U)
            return nullptr;
        switch (frame->channels()) {
        case 3:
            break;
        case 1:
            cv::cvtColor(*frame, capture->converted, cv::COLOR_GRAY2BGR);
            frame = &capture->converted;
            break;
        case 4:
            cv::cvtColor(*frame, capture->converted, cv::COLOR_BGRA2BGR);
            frame = &capture->converted;
            break;
        default:
            return nullptr;
        }
        capture->header = cvIplImage(*frame);
        return &capture->header;
    } catch (const cv::Exception&) {
        return nullptr;
    }
}

double captureFrameRate(const FileCapture* capture)
{
    if (!capture)
        return 0.0;
    const double fps = capture->video.get(cv::CAP_PROP_FPS);
    return std::isfinite(fps) && fps > 0 ? fps : 0.0;
}

int captureFrameCount(const FileCapture* capture)
{
    if (!capture)
        return 0;
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
