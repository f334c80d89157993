// TAVO demo: tracks nine targets through "TAVO_DEMO.avi" in a window.
// Escape or the end of the video stops the tracking; one more key (or
// closing the window) ends the program.  Arguments are ignored, nothing is
// printed (but one line when there is no display for the window), the exit
// status is always 1.

#include "core/demo_scenario.h"
#include "rendering/display_check.h"
#include "core/frame_preparation.h"
#include "inputs/video_capture.h"
#include "core/tavo.h"

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/highgui/highgui_c.h>

#include <cstdio>

namespace {
const char* const kVideoFile = "TAVO_DEMO.avi";
const char* const kWindowName = "TAVO tracking DEMO";
const int kEscape = 27;
const int kClosedPollMilliseconds = 50;

// A window closed through the window system can never receive a key, so the
// demo watches for that instead of waiting forever.
bool windowOpen()
{
    return cvGetWindowProperty(kWindowName, CV_WND_PROP_VISIBLE) > 0;
}

// Waits without time limit for a key typed in the window; returns early
// (with -1) if the window is closed.
int waitForKey()
{
    for (;;) {
        const int key = cvWaitKey(kClosedPollMilliseconds);
        if (key != -1 || !windowOpen())
            return key;
    }
}
}  // namespace

int main()
{
    tavo tracker;  // tracker: lives for the whole run
    bool firstFrame = true;

    // Without a display the window system would abort the program when the
    // window opens: say so in one line and end as the demo always ends.
    if (const auto problem = missingDisplay()) {
        std::fprintf(stderr, "tavo-demo: no display to open the window on: %s\n", problem->c_str());
        return 1;
    }

    // The demo prints nothing, OpenCV's own warnings included.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

    FileCapture* capture = createFileCapture(kVideoFile);
    // The image alone at its own size, without the Qt back end's tool and
    // status bars around it.
    cvNamedWindow(kWindowName, CV_WINDOW_AUTOSIZE | CV_GUI_NORMAL);
    FrameImages images;

    IplImage* frame = queryFrame(capture);
    while (frame) {
        // A frame unlike the first cannot be shown: it ends the video.
        if (!prepareFrame(frame, images))
            break;

        // tracker: the new hue plane, the set-up on the first frame, one
        // tracking cycle and the drawing.
        trackDemoFrame(tracker, images, firstFrame);

        cvShowImage(kWindowName, &images.displayMatrix);
        if ((cvWaitKey(1) & 0xFF) == kEscape || !windowOpen())
            break;
        frame = queryFrame(capture);
    }

    waitForKey();
    releaseCapture(&capture);
    cvDestroyWindow(kWindowName);
    return 1;  // tracker: destroyed on the way out
}
