#pragma once

// What follows a run frame by frame besides its result files: the live
// window and the recording of the targets' paths.

#include "tracker/tavo.h"

#include <opencv2/core/types_c.h>

namespace tavo_cli {

class FrameObserver {
public:
    virtual ~FrameObserver() = default;
    // Called once per tracked frame, after its results are written, with the
    // frame as annotated by the tracker.  False asks the run to end after
    // this frame.
    virtual bool frameTracked(int frameNumber, const tavo& tracker, const CvMat& annotated) = 0;
};

}  // namespace tavo_cli
