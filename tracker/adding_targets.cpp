#include "tracker/tavo.h"

std::atomic<int32_t> nextTargetId{0};

int tavo::addTarget(CvMat* plane, int x, int y, int width, int height)
{
    // A rectangle without pixels can never be tracked: refuse it like a
    // missing plane, before anything is created.
    if (!plane || width <= 0 || height <= 0)
        return 0;

    const CvRect r = cvRect(x, y, width, height);
    Sample first;
    first.weight = 1.0f;
    first.likelihood = 1.0f;
    first.region = Region::fromRect(r);
    first.rect = r;
    first.posX = static_cast<float>(x + width * 0.5);
    first.posY = static_cast<float>(y + height * 0.5);
    first.velX = 0.0f;
    first.velY = 0.0f;
    first.scaleX = 1.0f;
    first.scaleY = 1.0f;
    first.vote = 0.0f;

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
    fillSamples(t->id, first);
    t->baseHeight = static_cast<float>(height);
    t->baseWidth = static_cast<float>(width);
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
    return 1;
}

Target* tavo::createTarget(int count)
{
    const int n = count == -1 ? defaultSampleCount : count;
    const int start = targets.empty() ? 0 : targets.back()->endSample;
    // Every target needs at least one slot, and one state of the joint
    // pool: the joint move draws target i's samples from state i.
    if (n < 1 || static_cast<int64_t>(start) + n > sampleCapacity)
        return nullptr;
    if (static_cast<int64_t>(targets.size()) >= jointPool.count)
        return nullptr;

    auto t = std::make_unique<Target>();
    t->firstSample = start;
    t->sampleCount = n;
    t->reservedCount = n;
    t->endSample = start + n;
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
