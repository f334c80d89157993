#include "core/demo_scenario.h"

const Box kDemoTargets[kDemoTargetCount] = {
    {136, 261, 18, 18}, {216, 231, 18, 18}, {259, 157, 18, 18},
    {244, 74, 18, 18},  {178, 19, 18, 18},  {94, 19, 18, 18},
    {28, 74, 18, 18},   {13, 157, 18, 18},  {56, 231, 18, 18},
};

void setUpDemoTracker(tavo& tracker, CvMat* huePlane)
{
    tracker.init(huePlane, kDemoSamplesPerTarget);
    tracker.noiseScaleX = kDemoNoiseScale;
    tracker.noiseScaleY = kDemoNoiseScale;
    for (const Box& box : kDemoTargets)
        tracker.addTarget(huePlane, box.x, box.y, box.width, box.height);
}

void trackDemoFrame(tavo& tracker, FrameImages& images, bool& firstFrame)
{
    tracker.huePlane = images.hue;
    if (firstFrame) {
        setUpDemoTracker(tracker, images.hue);
        firstFrame = false;
    }
    tracker.track();
    tracker.draw(&images.displayMatrix);
}
