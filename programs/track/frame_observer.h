#pragma once

// What follows a run frame by frame besides its result files: the live
// window and the recording of the targets' paths.

#include "session/tracking_session.h"

#include <opencv2/core/types_c.h>

namespace tavo_cli {

class FrameObserver {
public:
    virtual ~FrameObserver() = default;
    // Called once per tracked frame, after its results are written, with the
    // targets and the frame as annotated by the tracker (null when no
    // observer and no output asked for the drawing).  False asks the run to
    // end after this frame.
    virtual bool frameTracked(int frameNumber, const std::vector<TrackedTarget>& targets,
                              const CvMat* annotated) = 0;
    // Whether frameTracked needs the annotated frame.
    virtual bool needsDrawing() const { return false; }
};

}  // namespace tavo_cli
