#include "core/tavo.h"

namespace {

// a + w * v with the product and the sum each rounded to float.
inline float addWeighted(float a, float w, float v)
{
    return static_cast<float>(static_cast<double>(a) + static_cast<float>(static_cast<double>(w) * v));
}

inline float scaled(float a, float k) { return static_cast<float>(static_cast<double>(a) * k); }

}  // namespace

void tavo::estimateTargets()
{
    for (const auto& owned : targets) {
        Target* t = owned.get();
        selectTarget(t->firstSample, nullptr);
        estimateTarget(t);
    }
}

void tavo::estimateTarget(Target* t)
{
    const int n = t->reservedCount;
    float posX = 0, posY = 0, velX = FLT_EPSILON, velY = FLT_EPSILON, scaleX = 0, scaleY = 0;
    double weightSum = 0.0;
    for (int j = 0; j < n; ++j) {
        const Sample& s = *windowRefs[j];
        const float w = s.weight;
        posX = addWeighted(posX, w, s.posX);
        posY = addWeighted(posY, w, s.posY);
        velX = addWeighted(velX, w, s.velX);
        velY = addWeighted(velY, w, s.velY);
        scaleX = addWeighted(scaleX, w, s.scaleX);
        scaleY = addWeighted(scaleY, w, s.scaleY);
        weightSum += w;
    }
    // Weights that sum to nothing give no estimate: keep the last one.
    if (!(weightSum > 0.0))
        return;
    const float k = static_cast<float>(1.0 / weightSum);
    Sample e;
    e.weight = 1.0f;
    e.likelihood = 0.0f;
    e.region = Region();
    e.vote = 0.0f;
    e.posX = scaled(posX, k);
    e.posY = scaled(posY, k);
    e.velX = scaled(velX, k);
    e.velY = scaled(velY, k);
    e.scaleX = scaled(scaleX, k);
    e.scaleY = scaled(scaleY, k);
    t->estimate = e;
}
