#pragma once

// The robust motion model (MotionSettings) applied to one target's block of
// samples around the tracking cycle's constant-velocity step: the cycle
// draws the block's noise, the model shapes it (beforePropagation), the
// cycle propagates, and the model adds its wide proposals and keeps the
// boxes in the frame (afterPropagation).  Its random draws come from the
// tracker's noise pool, in that order, after the cycle's own.

#include "core/random_pool.h"
#include "motion/robust_motion.h"
#include "core/sample.h"
#include "core/target.h"

#include <memory>
#include <vector>

// One target's block of samples and the noise drawn for it this frame.
struct MotionBlock {
    Target& target;
    Sample* samples;
    float* noiseX;
    float* noiseY;
    int count;
};

// What the model reads besides the block: the frame's size and every
// target's estimate (a lost target searches away from the others).
struct MotionScene {
    float frameWidth;
    float frameHeight;
    const std::vector<std::unique_ptr<Target>>& targets;
};

class MotionModel {
public:
    // Grows the drawn noise by the target's noise gain, damps the
    // velocities and walks the scales.
    void beforePropagation(const MotionSettings& settings, const MotionBlock& block, RandomPool& pool);
    // Replaces a share of the block by wide proposals, then moves boxes
    // that lie too far outside the frame back in.
    void afterPropagation(const MotionSettings& settings, const MotionBlock& block, const MotionScene& scene,
                          RandomPool& pool);

private:
    void walkScales(const MotionSettings& settings, const MotionBlock& block, RandomPool& pool);
    void proposeWidely(const MotionSettings& settings, const MotionBlock& block, const MotionScene& scene,
                       RandomPool& pool);
    static void keepInFrame(const MotionBlock& block, const MotionScene& scene);
    // Normal values, grown once to the largest block.
    float* steps(int n);
    std::vector<float> steps_;
};
