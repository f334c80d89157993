#include "literal/literal_cycle.h"
#include "literal/sampling_table.h"


namespace literal {

void runJointStage(tavo& tracker, int iterations)
{
    if (iterations == kUseJointIterationSetting)
        iterations = tracker.jointIterations;
    else if (iterations < 1)
        return;
    if (tracker.targets.empty())
        return;

    for (const auto& owned : tracker.targets) {
        Target* t = owned.get();
        tracker.selectTarget(t->firstSample, nullptr);
        fillSamplingTable(t->samplingTable, tracker.tableMask, tracker.windowSamples, t->sampleCount);
    }
    jointMove(tracker, iterations);
}

void jointMove(tavo& tracker, int iterations)
{
    const uint32_t mask = static_cast<uint32_t>(tracker.tableMask);
    for (int it = 0; it < iterations; ++it) {
        int i = 0;
        for (const auto& t : tracker.targets)
            t->chosen = t->samplingTable[tracker.jointPool.nextInt(i++) & mask];
        tracker.voteForChosen();
    }
    tracker.mixWeights();
}

}  // namespace literal
