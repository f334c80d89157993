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
    display_.push_back(cv::cvarrToMat(images.display, true));
    hueHeaders_.clear();
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

CvMat* FrameSequence::huePlane(int i)
{
    if (hueHeaders_.size() != hue_.size()) {
        hueHeaders_.clear();
        for (const cv::Mat& h : hue_)
            hueHeaders_.push_back(cvMat(h));
    }
    return &hueHeaders_[static_cast<size_t>(i)];
}

CvMat* FrameSequence::display(int i)
{
    display_[static_cast<size_t>(i)].copyTo(work_);
    workHeader_ = cvMat(work_);
    return &workHeader_;
}
