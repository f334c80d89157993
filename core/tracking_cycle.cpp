#include "core/tavo.h"

#include <algorithm>
#include <climits>

int tavo::track()
{
    if (!targets.empty())
        findNeighbours();
    // Resampling, noise and motion in target order: the noise pool's draws
    // must come in that order.  (Robust motion also reads the other targets'
    // estimates, which only drawing changes.)
    for (const auto& owned : targets) {
        if (stopped())
            return 0;
        Target* t = owned.get();
        const int n = t->sampleCount;
        selectTarget(t->firstSample, t);
        resample(n);
        for (int i = 0; i < n; ++i)
            windowRefs[i] = &windowSamples[i];
        moveSamples(n);
    }
    if (appearance)
        tellAppearanceOfSamples();
    // Measuring and sorting a target touch only its own samples, its own
    // histograms or model and the frame's planes: the targets can go in any
    // order, on any thread, with the results of one target after another.
    auto measureAndSort = [this](int k) {
        if (stopped())
            return;
        Target* t = targets[static_cast<size_t>(k)].get();
        measureSamples(t, samples + t->firstSample, t->sampleCount);
        sortByWeight(sampleRefs + t->firstSample, static_cast<size_t>(t->sampleCount), 0);
    };
    forEachTarget(measureAndSort);
    lap(Stage::Measuring);
    if (stopped())
        return 0;
    if (!targets.empty())
        runJointStage(kUseJointIterationSetting);
    lap(Stage::JointMove);
    return 1;
}

int tavo::drawNoise(int n)
{
    float* noiseX = noiseWindow->noiseX;
    float* noiseY = noiseWindow->noiseY;
    noisePool.fillNormal(noiseX, n, 0);
    noisePool.fillNormal(noiseY, n, 1);
    for (int i = 0; i < n; ++i) {
        noiseX[i] = static_cast<float>(static_cast<double>(noiseX[i]) * static_cast<double>(noiseScaleX));
        noiseY[i] = static_cast<float>(static_cast<double>(noiseY[i]) * static_cast<double>(noiseScaleY));
    }
    return 1;
}

void tavo::moveSamples(int n)
{
    drawNoise(n);
    if (!motion || !motion->any()) {
        propagate(n);
        return;
    }
    const MotionBlock block{*currentTarget, windowSamples, noiseWindow->noiseX, noiseWindow->noiseY, n};
    motionModel_.beforePropagation(*motion, block, noisePool);
    propagate(n);
    motionModel_.afterPropagation(*motion, block, MotionScene{frameWidth, frameHeight, targets}, noisePool);
}

void tavo::propagate(int n)
{
    // Constant velocity with random acceleration: the same noise term moves
    // the position and changes the velocity.
    const int width = static_cast<int>(frameWidth);
    const int height = static_cast<int>(frameHeight);
    const float* noiseX = noiseWindow->noiseX;
    const float* noiseY = noiseWindow->noiseY;
    for (int i = 0; i < n; ++i) {
        Sample& s = windowSamples[i];
        const float x = static_cast<float>(static_cast<double>(s.posX) + s.velX + noiseX[i]);
        const float y = static_cast<float>(static_cast<double>(s.posY) + s.velY + noiseY[i]);
        s.velX = static_cast<float>(static_cast<double>(x) - s.posX);
        s.velY = static_cast<float>(static_cast<double>(y) - s.posY);
        s.posX = x;
        s.posY = y;
        const CvRect r = s.imageRect(0, 0, width, height, currentTarget->baseWidth, currentTarget->baseHeight);
        s.rect = r;
        s.region = Region::fromRect(r);
    }
}

void tavo::tellAppearanceOfSamples()
{
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN, largestSide = 0;
    for (const auto& t : targets)
        for (int i = t->firstSample; i < t->firstSample + t->sampleCount; ++i) {
            const CvRect& r = samples[i].rect;
            left = std::min(left, r.x);
            top = std::min(top, r.y);
            right = std::max(right, r.x + r.width);
            bottom = std::max(bottom, r.y + r.height);
            largestSide = std::max({largestSide, r.width, r.height});
        }
    if (right > left && bottom > top)
        appearance->willMeasure(cvRect(left, top, right - left, bottom - top), largestSide);
}
