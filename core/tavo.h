#pragma once

#include "core/random_pool.h"
#include "support/stage_times.h"
#include "core/tick_source.h"
#include "support/worker_pool.h"
#include "appearance/appearance_model.h"
#include "motion/motion_model.h"
#include "motion/robust_motion.h"
#include "core/sample.h"
#include "core/sort_by_weight.h"
#include "core/target.h"
#include "core/tracker_sizing.h"

#include <opencv2/core/types_c.h>
#include <opencv2/imgproc/imgproc_c.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Two float arrays of per-slot noise, or the selected target's part of them.
struct NoiseArrays {
    float* noiseX;
    float* noiseY;
};

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
    // One iteration's votes, once every target has chosen a sample: each
    // chosen sample gains the product of its overlap penalties with the
    // neighbours' chosen samples.
    void voteForChosen();
    // The move's last step: each sample's weight from its vote share and
    // its likelihood share.
    void mixWeights();
    // Computes every target's estimate and draws samples, estimates,
    // neighbour links and labels into an 8-bit three-channel matrix.
    virtual void draw(CvMat* image);
    // The weighted estimate of every target from its samples, as draw
    // computes it, without drawing.
    void estimateTargets();
    // The steps of draw after the outlines: the weighted estimate of target
    // t from the selected window (kept when the weights sum to nothing), and
    // every target's neighbour links, estimated rectangle and id label.
    void estimateTarget(Target* t);
    void drawTargetMarks(CvMat* image);

    // Sizes the store for `targetCount` targets of `samplesPerTargetCount`
    // samples with sampling tables of kStandardTableMask + 1 entries, and
    // takes the frame size from the plane.  A second init keeps the store,
    // tables and pools of the first and only takes the new frame size and
    // default sample count.  0 (nothing changed) for a null plane, or when
    // configure refuses and the tracker has no store at all.
    int init(CvMat* plane, int samplesPerTargetCount, int targetCount = kStandardTargetCount);
    int configure(int perTarget, int targetCount, int mask);
    int buildStore(int slotCount);
    void selectTarget(int slot, Target* target);

    // Adds a target learnt from a rectangle of the plane; 1 added, 0 refused.
    int addTarget(CvMat* plane, int x, int y, int width, int height);
    // Creates a target of `count` samples (-1: the default count) in the
    // first free block of the store that holds them: after the last
    // target's, or one a removed target freed.  Null when the store or the
    // joint pool has no room.
    Target* createTarget(int count);
    // The first slot of the first free block of n slots; -1 when none.
    int64_t freeBlock(int n) const;
    // Drops targets[index]: its block is free for a later target, the
    // others keep theirs.  False for an index out of range.
    bool removeTarget(size_t index);
    // Relearns targets[index] from a rectangle of the plane as addTarget
    // learns a new one, keeping its id and its block; its motion state
    // starts again.  False for an index out of range or an empty rectangle.
    bool reinitTarget(size_t index, CvMat* plane, int x, int y, int width, int height);
    int fillSamples(int id, Sample sample);

    // One tracking cycle over all targets on the current hue plane.
    int track();
    int drawNoise(int n);
    void propagate(int n);
    // The selected target's motion: drawNoise and propagate, with the robust
    // motion model around the propagation when `motion` asks for any.
    void moveSamples(int n);
    // Tells the appearance source where every sample's rectangle lies
    // before they are measured (AppearanceSource::willMeasure).
    void tellAppearanceOfSamples();
    void measureSamples(int n);
    // measureSamples(n) for the n samples from `window` of target t, without
    // the selected window: targets can be measured at the same time.
    void measureSamples(Target* t, Sample* window, int n) const;
    void resample(int n);

    void findNeighbours();
    // The box of the selected target's cloud that findNeighbours compares:
    // the whole cloud's, or its core's (MotionSettings::coreNeighbours).
    Region cloudBoxOf(const Target& t, int n) const;
    // Builds every target's sampling table and runs the joint move with
    // `iterations`, or with jointIterations for kUseJointIterationSetting;
    // does nothing for any other count below 1.
    void runJointStage(int iterations);

    // Runs the per-target steps that draw nothing from the random pools
    // (measuring, sorting, building sampling tables) on `threads` threads;
    // results do not depend on the count.  1 (the default) uses the calling
    // thread only.  0 (nothing changes) for a count below 1 or when the
    // threads cannot be started.
    int setThreadCount(int threads);
    int threadCount() const { return workers ? workers->threads() : 1; }

    CvMat* huePlane = nullptr;  // not owned
    // Where new targets get their appearance models (not owned; must
    // outlive the tracker); null: every target learns hue histograms.
    AppearanceSource* appearance = nullptr;
    // Robust motion (not owned; must outlive the tracker); null: constant
    // velocity with random acceleration alone.
    const MotionSettings* motion = nullptr;
    // Set from another thread or a signal handler, it cuts a tracking cycle
    // short (not owned; null: never): the cycle's results are then
    // incomplete and must not be used.
    const std::atomic<bool>* stopFlag = nullptr;
    bool stopped() const { return stopFlag && stopFlag->load(std::memory_order_relaxed); }
    // Laps of the cycle's stages (not owned; null: not timed).
    StageTimes* stageTimes = nullptr;
    void lap(Stage stage)
    {
        if (stageTimes)
            stageTimes->lap(stage);
    }
    float noiseScaleX = 0.0f;
    float noiseScaleY = 0.0f;
    // Joint-move iterations of every tracking cycle (the cycle asks for
    // kUseJointIterationSetting).  0 keeps the move's re-weighting without
    // any draw: every sample's vote share is then equal.
    int32_t jointIterations = kStandardJointIterations;
    float frameWidth = 0.0f;
    float frameHeight = 0.0f;
    int32_t histogramBins = kHueBinCount;
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
    std::unique_ptr<WorkerPool> workers;  // null: one thread

private:
    // Calls step(i) for the index of every target, on the worker threads.
    template <class Step>
    void forEachTarget(Step& step)
    {
        const int count = static_cast<int>(targets.size());
        if (workers)
            workers->run(count, step);
        else
            for (int i = 0; i < count; ++i)
                step(i);
    }

    void releaseStore();
    // Seeds every sample of the target at the rectangle, moves them once,
    // learns its appearance there and measures them (see addTarget).
    void seedTarget(Target& t, CvMat* plane, CvRect rect);
    MotionModel motionModel_;
    // Releases the store and forgets every pointer into it.
    void discardStore();

    TickSource* ticks_;  // seeds both pools
};
