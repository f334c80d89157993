#include "bench/peer_trackers.h"

#ifdef TAVO_HAVE_OPENCV_TRACKING
#include <opencv2/tracking.hpp>
#include <opencv2/tracking/tracking_legacy.hpp>
#endif

#include <memory>

#ifdef TAVO_HAVE_OPENCV_TRACKING

bool havePeerTrackers() { return true; }

namespace {

// KCF has the current interface; MOSSE only the legacy one.
class Peer {
public:
    Peer(PeerTracker kind, const cv::Mat& first, const Box& box)
    {
        const cv::Rect rect(box.x, box.y, box.width, box.height);
        if (kind == PeerTracker::Kcf) {
            kcf_ = cv::TrackerKCF::create();
            kcf_->init(first, rect);
        } else {
            mosse_ = cv::legacy::TrackerMOSSE::create();
            mosse_->init(first, cv::Rect2d(rect));
        }
    }
    void update(const cv::Mat& frame)
    {
        if (kcf_) {
            cv::Rect rect;
            kcf_->update(frame, rect);
        } else {
            cv::Rect2d rect;
            mosse_->update(frame, rect);
        }
    }

private:
    cv::Ptr<cv::Tracker> kcf_;
    cv::Ptr<cv::legacy::Tracker> mosse_;
};

}  // namespace

void timePeerTrackers(benchmark::State& state, const FrameSequence& frames, const std::vector<Box>& boxes,
                      PeerTracker kind)
{
    if (frames.size() < 2) {
        state.SkipWithError("no frames");
        return;
    }
    std::vector<std::unique_ptr<Peer>> peers;
    for (const Box& box : boxes)
        peers.push_back(std::make_unique<Peer>(kind, frames.frame(0), box));
    int f = 1;
    for (auto _ : state) {
        for (auto& peer : peers)
            peer->update(frames.frame(f));
        f = f + 1 < frames.size() ? f + 1 : 1;
    }
}

#else

bool havePeerTrackers() { return false; }

void timePeerTrackers(benchmark::State& state, const FrameSequence&, const std::vector<Box>&, PeerTracker)
{
    state.SkipWithError("built without OpenCV's tracking module (libopencv-contrib-dev)");
}

#endif
