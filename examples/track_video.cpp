// Tracks targets through a video and prints every target's box on every
// frame, one line each: "frame,id,x,y,w,h" (frame 1 is the first frame).
//
//     track_video VIDEO X,Y,W,H [X,Y,W,H ...]
//
// The boxes are the targets on the first frame, numbered 1, 2, 3, ... in
// order.  The tracking uses the robust preset and seed 1, so that a run
// repeats exactly, and gives the boxes that `tavo-track VIDEO --box ...
// --robust --seed 1 --mot FILE` writes.

#include "session/tracking_session.h"

#include <opencv2/videoio.hpp>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: track_video VIDEO X,Y,W,H [X,Y,W,H ...]\n"
                 "  tracks the boxes of the first frame through VIDEO and prints\n"
                 "  \"frame,id,x,y,w,h\" for every target on every frame\n");
    return 2;
}

// "X,Y,W,H" in whole pixels.
bool parseBox(const char* text, Box& box)
{
    std::istringstream in(text);
    char comma1 = 0, comma2 = 0, comma3 = 0;
    in >> box.x >> comma1 >> box.y >> comma2 >> box.width >> comma3 >> box.height;
    return in && in.peek() == EOF && comma1 == ',' && comma2 == ',' && comma3 == ',';
}

// Two decimals, and no minus sign on zero.
std::string twoDecimals(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return std::strcmp(text, "-0.00") == 0 ? "0.00" : text;
}

void print(int frame, const std::vector<TrackedTarget>& targets)
{
    for (const TrackedTarget& t : targets)
        std::printf("%d,%d,%s,%s,%s,%s\n", frame, t.id, twoDecimals(t.box.x).c_str(), twoDecimals(t.box.y).c_str(),
                    twoDecimals(t.box.width).c_str(), twoDecimals(t.box.height).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    std::vector<Box> boxes;
    for (int i = 2; i < argc; ++i) {
        Box box;
        if (!parseBox(argv[i], box)) {
            std::fprintf(stderr, "track_video: not a box X,Y,W,H: %s\n", argv[i]);
            return usage();
        }
        boxes.push_back(box);
    }

    cv::VideoCapture video(argv[1]);
    cv::Mat frame;
    if (!video.isOpened() || !video.read(frame)) {
        std::fprintf(stderr, "track_video: cannot read a frame of %s\n", argv[1]);
        return 1;
    }

    std::string error;
    auto session = TrackingSession::start(frame, boxes, robustSettings(), 1, error);
    if (!session) {
        std::fprintf(stderr, "track_video: %s\n", error.c_str());
        return 1;
    }
    print(session->frameNumber(), session->targets());  // frame 1, tracked by start

    while (video.read(frame)) {
        const StepOutcome outcome = session->step(frame);
        if (outcome == StepOutcome::BrokenDown) {
            std::fprintf(stderr, "track_video: %s\n", session->error().c_str());
            return 1;
        }
        if (outcome == StepOutcome::OtherFrameKind) {
            std::fprintf(stderr, "track_video: frame %d differs in size or type from the first; stopped\n",
                         session->frameNumber() + 1);
            break;
        }
        print(session->frameNumber(), session->targets());  // frames 2, 3, ...
    }
    return 0;
}
