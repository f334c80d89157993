#include "core/tavo.h"

#include <algorithm>
#include <utility>

std::atomic<int32_t> nextTargetId{0};

int tavo::addTarget(CvMat* plane, int x, int y, int width, int height)
{
    // A rectangle without pixels can never be tracked: refuse it like a
    // missing plane, before anything is created.
    if (!plane || width <= 0 || height <= 0)
        return 0;

    Target* t = createTarget(-1);
    if (!t)
        return 0;
    if (!t->prepareTable(tableMask, maxTargets)) {
        // No memory for its sampling table: the joint move could not draw
        // from it.  Take the new target back, and its id with it unless
        // another thread has handed out a later one meanwhile.
        int32_t handedOut = t->id;
        targets.pop_back();
        nextTargetId.compare_exchange_strong(handedOut, handedOut - 1);
        return 0;
    }
    seedTarget(*t, plane, cvRect(x, y, width, height));
    return 1;
}

void tavo::seedTarget(Target& target, CvMat* plane, CvRect r)
{
    Target* t = &target;
    Sample first;
    first.weight = 1.0f;
    first.likelihood = 1.0f;
    first.region = Region::fromRect(r);
    first.rect = r;
    first.posX = static_cast<float>(r.x + r.width * 0.5);
    first.posY = static_cast<float>(r.y + r.height * 0.5);
    first.velX = 0.0f;
    first.velY = 0.0f;
    first.scaleX = 1.0f;
    first.scaleY = 1.0f;
    first.vote = 0.0f;

    fillSamples(t->id, first);
    t->baseHeight = static_cast<float>(r.height);
    t->baseWidth = static_cast<float>(r.width);
    selectTarget(t->firstSample, t);
    drawNoise(t->sampleCount);
    propagate(t->sampleCount);
    if (appearance) {
        t->model = appearance->createModel();
        t->model->learn(r);
    } else {
        t->initModels(histogramBins);
        t->setReference(r, plane);
    }
    t->estimate = first;
    measureSamples(t->sampleCount);
}

Target* tavo::createTarget(int count)
{
    const int n = count == -1 ? defaultSampleCount : count;
    // Every target needs at least one slot, and one state of the joint
    // pool: the joint move draws target i's samples from state i.
    if (n < 1 || static_cast<int64_t>(targets.size()) >= jointPool.count)
        return nullptr;
    const int64_t start = freeBlock(n);
    if (start < 0)
        return nullptr;
    // A block a removed target held: its references back in storage order,
    // as in a store never used.
    for (int64_t i = start; i < start + n; ++i)
        sampleRefs[i] = &samples[i];

    auto t = std::make_unique<Target>();
    t->firstSample = static_cast<int32_t>(start);
    t->sampleCount = n;
    t->reservedCount = n;
    t->endSample = static_cast<int32_t>(start + n);
    if (t->id == 0 || t->id == -1)
        t->id = ++nextTargetId;
    targets.push_back(std::move(t));
    return targets.back().get();
}

int tavo::fillSamples(int id, Sample sample)
{
    for (const auto& t : targets) {
        if (t->id != id)
            continue;
        selectTarget(t->firstSample, nullptr);
        for (int i = 0; i < t->sampleCount; ++i)
            windowSamples[i] = sample;
        return 1;
    }
    return 0;
}

int64_t tavo::freeBlock(int n) const
{
    // The blocks in use, in store order; the first gap between them (or
    // after the last) that holds n slots.
    std::vector<std::pair<int32_t, int32_t>> used;
    used.reserve(targets.size());
    for (const auto& t : targets)
        used.emplace_back(t->firstSample, t->endSample);
    std::sort(used.begin(), used.end());
    int64_t start = 0;
    for (const auto& block : used) {
        if (start + n <= block.first)
            return start;
        start = std::max<int64_t>(start, block.second);
    }
    return start + n <= sampleCapacity ? start : -1;
}

bool tavo::removeTarget(size_t index)
{
    if (index >= targets.size())
        return false;
    const Target* gone = targets[index].get();
    for (const auto& t : targets) {
        auto& n = t->neighbours;
        n.erase(std::remove(n.begin(), n.end(), gone), n.end());
    }
    if (currentTarget == gone)
        currentTarget = nullptr;
    targets.erase(targets.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool tavo::reinitTarget(size_t index, CvMat* plane, int x, int y, int width, int height)
{
    if (index >= targets.size() || !plane || width <= 0 || height <= 0)
        return false;
    Target& t = *targets[index];
    t.motion = MotionState{};
    t.chosen = nullptr;
    seedTarget(t, plane, cvRect(x, y, width, height));
    return true;
}
