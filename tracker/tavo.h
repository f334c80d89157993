#pragma once

#include "support/random_pool.h"
#include "support/tick_source.h"
#include "tracker/sample.h"
#include "tracker/target.h"

#include <opencv2/core/types_c.h>
#include <opencv2/imgproc/imgproc_c.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Two float arrays of per-slot noise, or the selected target's part of them.
struct NoiseArrays {
    float* noiseX;
    float* noiseY;
};

// The last id handed to a target; shared by every tracker of the process.
extern int32_t nextTargetId;

// Number of pixels two regions have in common (inclusive right/bottom), 0
// when they are disjoint.
int overlapArea(const Region& a, const Region& b);

// Sorts a[0 .. total-1] by descending weight with a non-recursive three-way
// quicksort.  Not stable: the order it leaves for equal weights decides
// which samples resampling copies.  `aux` is ignored.
void sortByWeight(Sample** a, size_t total, int aux);

// The multi-target tracker: one particle filter per target, all samples in
// one store, and a joint move that makes neighbouring targets repel.
class tavo {
public:
    // Pools are seeded from the real tick counter, or from `ticks` (which
    // must outlive the tracker) to make a run reproducible.
    tavo();
    explicit tavo(TickSource& ticks);
    ~tavo();
    tavo(const tavo&) = delete;
    tavo& operator=(const tavo&) = delete;

    // Joint sampling move: re-weights every sample by its vote and likelihood
    // shares.
    virtual void jointMove(int iterations);
    // Computes every target's estimate and draws samples, estimates,
    // neighbour links and labels into an 8-bit three-channel matrix.
    virtual void draw(CvMat* image);

    // Sizes the store for 10 targets of `samplesPerTargetCount` samples and
    // takes the frame size from the plane.  0 for a null plane.
    int init(CvMat* plane, int samplesPerTargetCount);
    int configure(int perTarget, int targetCount, int mask);
    int buildStore(int slotCount);
    void selectTarget(int slot, Target* target);

    // Adds a target learnt from a rectangle of the plane; 1 added, 0 refused.
    int addTarget(CvMat* plane, int x, int y, int width, int height);
    Target* createTarget(int count);
    int fillSamples(int id, Sample sample);

    // One tracking cycle over all targets on the current hue plane.
    int track();
    int drawNoise(int n);
    void propagate(int n);
    void measureSamples(int n);
    void resample(int n);

    void findNeighbours();
    void runJointStage(int iterations);

    CvMat* huePlane = nullptr;  // not owned
    float noiseScaleX = 0.0f;
    float noiseScaleY = 0.0f;
    float frameWidth = 0.0f;
    float frameHeight = 0.0f;
    int32_t histogramBins = 179;
    CvFont labelFont;
    CvSize labelSize;
    int32_t sampleCapacity = 0;
    RandomPool noisePool;
    RandomPool jointPool;
    int32_t tableMask = 0;
    int32_t samplesPerTarget = 0;
    int32_t maxTargets = 0;
    NoiseArrays* noiseBase = nullptr;
    Sample* samples = nullptr;
    void* sampleBlock = nullptr;
    NoiseArrays* noiseWindow = nullptr;
    Sample* windowSamples = nullptr;
    int32_t windowStart = -1;
    int32_t sampleBlockBytes = 0;
    Target* currentTarget = nullptr;
    void* scratchBlock = nullptr;
    std::vector<std::unique_ptr<Target>> targets;
    Sample* scratchSamples = nullptr;
    Sample** sampleRefs = nullptr;
    Sample** windowRefs = nullptr;
    Sample* windowScratch = nullptr;
    int32_t defaultSampleCount = 0;

private:
    void releaseStore();

    TickSource* ticks_;  // seeds both pools
};
