#pragma once

#include <opencv2/core/types_c.h>

class WorkerPool;

// The working images of the frame loop, created from the first frame and
// reused for every later one.
struct FrameImages {
    IplImage* display = nullptr;  // the upright frame; the tracker draws into it
    CvMat displayMatrix;          // a matrix header over `display`
    CvMat* hsv = nullptr;         // HSV version of the frame
    CvMat* hue = nullptr;         // channel 0 of `hsv`: 8-bit hue, 0..179

    FrameImages() = default;
    ~FrameImages();
    FrameImages(const FrameImages&) = delete;
    FrameImages& operator=(const FrameImages&) = delete;
};

// Copies the frame upright into the display image (flipping frames with a
// bottom-left origin), converts it to HSV and, with `splitHue`, splits off
// the hue plane (the hue histograms read it; other models do without).  The
// images are created on the first call.  Returns false, touching nothing,
// for a frame whose size or pixel type differs from the first frame's.
// With `workers`, bands of rows are copied and split on its threads (every
// pixel's result is its own: the same for any band count); the conversion
// is left to OpenCV's own threads.
// Without `convertHsv`, the frame is only copied upright (and the caller
// converts the parts of it that it reads).
bool prepareFrame(const IplImage* frame, FrameImages& images, bool splitHue = true, WorkerPool* workers = nullptr,
                  bool convertHsv = true);
