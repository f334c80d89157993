#include "core/frame_preparation.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc/imgproc_c.h>

#include <cstddef>
#include <cstdint>

FrameImages::~FrameImages()
{
    cvReleaseMat(&hue);
    cvReleaseMat(&hsv);
    cvReleaseImage(&display);
}

namespace {

// Channel 0 of an 8-bit three-channel matrix into a one-channel one of its
// size (cvSplit would allocate on every call).
void copyHue(const CvMat* hsv, CvMat* hue)
{
    for (int r = 0; r < hsv->rows; ++r) {
        const uint8_t* from = hsv->data.ptr + static_cast<ptrdiff_t>(r) * hsv->step;
        uint8_t* to = hue->data.ptr + static_cast<ptrdiff_t>(r) * hue->step;
        for (int c = 0; c < hsv->cols; ++c)
            to[c] = from[3 * c];
    }
}

}  // namespace

bool prepareFrame(const IplImage* frame, FrameImages& images, bool splitHue)
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

    if (frame->origin != 0) {
        cvFlip(frame, display, 0);
        display->origin = 0;
    } else {
        cvCopy(frame, display, nullptr);
    }
    cvGetMat(display, &images.displayMatrix, nullptr, 0);
    cvCvtColor(&images.displayMatrix, images.hsv, CV_BGR2HSV);
    if (splitHue)
        copyHue(images.hsv, images.hue);
    return true;
}
