#pragma once

#include "core/frame_preparation.h"
#include "support/box.h"
#include "core/tavo.h"

// The demo: nine 18 x 18 targets on a ring around (136, 136), 500 samples
// each, noise factors 0.2.
constexpr int kDemoTargetCount = 9;
extern const Box kDemoTargets[kDemoTargetCount];
constexpr int kDemoSamplesPerTarget = 500;
constexpr float kDemoNoiseScale = 0.2f;

// First-frame set-up of a tracker whose huePlane is already set: sizing,
// noise factors and the nine targets in order (refusals are not examined).
void setUpDemoTracker(tavo& tracker, CvMat* huePlane);

// The demo's tracker steps for one prepared frame: hand the hue plane to the
// tracker, set it up on the first frame (clearing `firstFrame`), run one
// tracking cycle and draw the result into the display matrix.
void trackDemoFrame(tavo& tracker, FrameImages& images, bool& firstFrame);
