#include "replay/frame_sequence.h"

#include "app/frame_preparation.h"
#include "app/video_capture.h"

#include <opencv2/core/core_c.h>

bool FrameSequence::add(const cv::Mat& bgr)
{
    if (!display_.empty() && bgr.size() != display_.front().size())
        return false;
    IplImage frame = cvIplImage(bgr);
    FrameImages images;
    if (!prepareFrame(&frame, images))
        return false;
    hue_.push_back(cv::cvarrToMat(images.hue, true));
    hsv_.push_back(cv::cvarrToMat(images.hsv, true));
    display_.push_back(cv::cvarrToMat(images.display, true));
    hueHeaders_.clear();
    hsvHeaders_.clear();
    return true;
}

bool FrameSequence::addVideo(const std::string& path, int maxFrames)
{
    FileCapture* capture = createFileCapture(path.c_str());
    if (!capture)
        return false;
    int added = 0;
    while (maxFrames == 0 || added < maxFrames) {
        IplImage* frame = queryFrame(capture);
        if (!frame || !add(cv::cvarrToMat(frame)))
            break;
        ++added;
    }
    releaseCapture(&capture);
    return added > 0;
}

namespace {

// C headers over the matrices, made once they are all added.
CvMat* headerOf(const std::vector<cv::Mat>& mats, std::vector<CvMat>& headers, int i)
{
    if (headers.size() != mats.size()) {
        headers.clear();
        for (const cv::Mat& m : mats)
            headers.push_back(cvMat(m));
    }
    return &headers[static_cast<size_t>(i)];
}

}  // namespace

CvMat* FrameSequence::huePlane(int i) { return headerOf(hue_, hueHeaders_, i); }

CvMat* FrameSequence::hsvImage(int i) { return headerOf(hsv_, hsvHeaders_, i); }

CvMat* FrameSequence::display(int i)
{
    display_[static_cast<size_t>(i)].copyTo(work_);
    workHeader_ = cvMat(work_);
    return &workHeader_;
}
