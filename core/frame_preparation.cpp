#include "core/frame_preparation.h"

#include "support/row_bands.h"

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>

FrameImages::~FrameImages()
{
    cvReleaseMat(&hue);
    cvReleaseMat(&hsv);
    cvReleaseImage(&display);
}

namespace {

// Channel 0 of rows [first, end) of an 8-bit three-channel matrix into a
// one-channel one of its size, a vector of pixels at a time.
void copyHueRows(const cv::Mat& hsv, cv::Mat& hue, int first, int end)
{
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    for (int r = first; r < end; ++r) {
        const uint8_t* from = hsv.ptr<uint8_t>(r);
        uint8_t* to = hue.ptr<uint8_t>(r);
        int c = 0;
        for (; c + kLanes <= hsv.cols; c += kLanes) {
            cv::v_uint8x16 h, s, v;
            cv::v_load_deinterleave(from + 3 * c, h, s, v);
            cv::v_store(to + c, h);
        }
        for (; c < hsv.cols; ++c)
            to[c] = from[3 * c];
    }
}

}  // namespace

bool prepareFrame(const IplImage* frame, FrameImages& images, bool splitHue, WorkerPool* workers, bool convertHsv)
{
    if (!frame)
        return false;
    if (!images.display) {
        images.display = cvCloneImage(frame);
        images.hsv = cvCreateMat(frame->height, frame->width, CV_8UC3);
        images.hue = cvCreateMat(frame->height, frame->width, CV_8UC1);
    }
    IplImage* display = images.display;
    // Later frames must match the first: copying a different one would fail.
    if (frame->width != display->width || frame->height != display->height ||
        frame->depth != display->depth || frame->nChannels != display->nChannels)
        return false;

    // A bottom-left frame is flipped whole; an upright one is copied band
    // by band, after its conversion, which reads the frame itself.
    const bool flipped = frame->origin != 0;
    if (flipped) {
        cvFlip(frame, display, 0);
        display->origin = 0;
    }
    cvGetMat(display, &images.displayMatrix, nullptr, 0);
    // Headers over the images: nothing allocated.
    const cv::Mat source = cv::cvarrToMat(frame);
    cv::Mat upright = cv::cvarrToMat(&images.displayMatrix);
    cv::Mat hsv = cv::cvarrToMat(images.hsv);
    cv::Mat hue = cv::cvarrToMat(images.hue);
    // The whole frame in one call, which OpenCV shares among its own
    // threads, rather than a call in each of our bands, nested in them.
    if (convertHsv)
        cv::cvtColor(flipped ? upright : source, hsv, cv::COLOR_BGR2HSV);
    const bool copied = flipped, split = convertHsv && splitHue;
    if (copied && !split)
        return true;
    forRowBands(workers, upright.rows, upright.cols, [&](int, int first, int end) {
        if (!copied) {
            cv::Mat uprightRows = upright.rowRange(first, end);
            source.rowRange(first, end).copyTo(uprightRows);
        }
        if (split)
            copyHueRows(hsv, hue, first, end);
    });
    return true;
}
