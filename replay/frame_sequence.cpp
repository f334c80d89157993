#include "replay/frame_sequence.h"

#include "inputs/video_capture.h"

#include <opencv2/core/core_c.h>

bool FrameSequence::add(const cv::Mat& bgr)
{
    if (bgr.type() != CV_8UC3 ||
        (!frames_.empty() && bgr.size() != frames_.front().size()))
        return false;
    frames_.push_back(bgr.clone());
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
