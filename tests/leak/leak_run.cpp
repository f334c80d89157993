// leak_run VIDEO FRAMES [SEED]: the demo scenario without a window.  Reads
// up to FRAMES frames of VIDEO, sets the demo's nine targets up on the
// first, and runs a tracking cycle and the drawing on every frame, with the
// random pools seeded reproducibly from SEED (default 1).  Then everything
// is released as the demo does.  Made to run under a leak checker: exit
// status 0 after the frames, 2 on bad arguments or a video that cannot be
// opened or has no frame.

#include "core/demo_scenario.h"
#include "core/frame_preparation.h"
#include "inputs/video_capture.h"
#include "core/tick_source.h"
#include "core/tavo.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: leak_run VIDEO FRAMES [SEED]\n");
        return 2;
    }
    const int frames = std::atoi(argv[2]);
    const long long seed = argc == 4 ? std::atoll(argv[3]) : 1;
    if (frames < 1) {
        std::fprintf(stderr, "leak_run: FRAMES must be at least 1\n");
        return 2;
    }
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

    FileCapture* capture = createFileCapture(argv[1]);
    if (!capture) {
        std::fprintf(stderr, "leak_run: cannot open %s\n", argv[1]);
        return 2;
    }

    int done = 0;
    {
        CountingTickSource ticks(seed);
        tavo tracker(ticks);
        FrameImages images;
        bool firstFrame = true;
        for (IplImage* frame = queryFrame(capture); frame && done < frames; frame = queryFrame(capture)) {
            if (!prepareFrame(frame, images))
                break;
            trackDemoFrame(tracker, images, firstFrame);
            ++done;
        }
    }
    releaseCapture(&capture);

    if (done == 0) {
        std::fprintf(stderr, "leak_run: no frame in %s\n", argv[1]);
        return 2;
    }
    std::printf("leak_run: %d frames\n", done);
    return 0;
}
