#include "motion/motion_model.h"

#include <algorithm>
#include <cmath>

namespace {

float clampScale(double v, const MotionSettings& s)
{
    return static_cast<float>(std::min(s.maxScale, std::max(s.minScale, v)));
}

}  // namespace

float* MotionModel::steps(int n)
{
    if (steps_.size() < static_cast<size_t>(2 * n))
        steps_.resize(static_cast<size_t>(2 * n));
    return steps_.data();
}

void MotionModel::beforePropagation(const MotionSettings& m, const MotionBlock& block, RandomPool& pool)
{
    const MotionState& state = block.target.motion;
    const int n = block.count;
    if (state.noiseGain != 1.0) {
        for (int i = 0; i < n; ++i) {
            block.noiseX[i] = static_cast<float>(block.noiseX[i] * state.noiseGain);
            block.noiseY[i] = static_cast<float>(block.noiseY[i] * state.noiseGain);
        }
    }
    if (m.damping > 0.0) {
        for (int i = 0; i < n; ++i) {
            block.samples[i].velX = static_cast<float>(block.samples[i].velX * (1.0 - m.damping));
            block.samples[i].velY = static_cast<float>(block.samples[i].velY * (1.0 - m.damping));
        }
    }
    if (m.scaleWalk())
        walkScales(m, block, pool);
}

void MotionModel::walkScales(const MotionSettings& m, const MotionBlock& block, RandomPool& pool)
{
    const MotionState& state = block.target.motion;
    const int n = block.count;
    float* z = steps(n);
    pool.fillNormal(z, n, 0);
    pool.fillNormal(z + n, n, 1);
    // The pull as a factor on the scale: (settled / scale)^pull.
    const double pull = m.scalePull;
    for (int i = 0; i < n; ++i) {
        Sample& s = block.samples[i];
        const double common = m.scaleNoise * z[i];
        const double towardX = pull > 0.0 ? std::pow(state.settledScaleX / s.scaleX, pull) : 1.0;
        const double towardY = pull > 0.0 ? std::pow(state.settledScaleY / s.scaleY, pull) : 1.0;
        const double shape = 0.5 * m.shapeNoise * z[n + i];
        s.scaleX = clampScale(s.scaleX * towardX * std::exp(common - shape), m);
        s.scaleY = clampScale(s.scaleY * towardY * std::exp(common + m.aspectNoise * z[n + i] + shape), m);
    }
}

void MotionModel::afterPropagation(const MotionSettings& m, const MotionBlock& block, const MotionScene& scene,
                                   RandomPool& pool)
{
    proposeWidely(m, block, scene, pool);
    if (m.keepInFrame)
        keepInFrame(block, scene);
}

void MotionModel::proposeWidely(const MotionSettings& m, const MotionBlock& block, const MotionScene& scene,
                                RandomPool& pool)
{
    // Wide proposals replace the last samples of the block, which resampling
    // filled with copies of the weakest.
    const Target& t = block.target;
    const MotionState& state = t.motion;
    const int n = block.count;
    const bool coasting = state.coasting && !state.lost;
    const double usual = coasting ? 0.0 : std::min(1.0, m.spread + (state.poor ? m.spreadWhenPoor : 0.0));
    const double share = state.lost ? std::max(m.lostSpread, usual) : usual;
    const int k = std::min(n, static_cast<int>(std::lround(share * n)));
    if (k <= 0)
        return;
    const double size = std::max(t.baseWidth, t.baseHeight);
    double radius = m.spreadRadius * size;
    float cx = t.estimate.posX, cy = t.estimate.posY;
    if (state.lost) {
        cx = state.lastGoodX;
        cy = state.lastGoodY;
        radius += m.lostRadiusGrowth * size * state.lostFrames;
        radius = std::min(radius, static_cast<double>(std::max(scene.frameWidth, scene.frameHeight)));
    }
    float* offsets = steps(k);
    pool.fillNormal(offsets, k, 0);
    pool.fillNormal(offsets + k, k, 1);
    const int width = static_cast<int>(scene.frameWidth);
    const int height = static_cast<int>(scene.frameHeight);
    for (int j = 0; j < k; ++j) {
        Sample& s = block.samples[n - k + j];
        const auto place = [&](double sign) {
            s.posX = static_cast<float>(cx + sign * radius * offsets[j]);
            s.posY = static_cast<float>(cy + sign * radius * offsets[k + j]);
            s.rect = s.imageRect(0, 0, width, height, t.baseWidth, t.baseHeight);
            s.region = Region::fromRect(s.rect);
        };
        place(1.0);
        // A lost target looks where no other target is: a proposal on
        // another target's estimate is mirrored through the centre.
        if (state.lost) {
            for (const auto& other : scene.targets) {
                if (other.get() == &t)
                    continue;
                const CvRect o = other->estimate.imageRect(0, 0, width, height, other->baseWidth, other->baseHeight);
                if (overlapArea(s.region, Region::fromRect(o)) != 0) {
                    place(-1.0);
                    break;
                }
            }
        }
        s.velX = 0.0f;
        s.velY = 0.0f;
    }
}

void MotionModel::keepInFrame(const MotionBlock& block, const MotionScene& scene)
{
    const Target& t = block.target;
    const int width = static_cast<int>(scene.frameWidth);
    const int height = static_cast<int>(scene.frameHeight);
    for (int i = 0; i < block.count; ++i) {
        Sample& s = block.samples[i];
        double lowX, highX, lowY, highY;
        centreRangeInFrame(static_cast<double>(t.baseWidth) * s.scaleX, scene.frameWidth, lowX, highX);
        centreRangeInFrame(static_cast<double>(t.baseHeight) * s.scaleY, scene.frameHeight, lowY, highY);
        const float x = static_cast<float>(std::min(highX, std::max(lowX, static_cast<double>(s.posX))));
        const float y = static_cast<float>(std::min(highY, std::max(lowY, static_cast<double>(s.posY))));
        if (x == s.posX && y == s.posY)
            continue;
        // Stopped at the edge: the velocity that pushed it out is gone.
        if (x != s.posX)
            s.velX = 0.0f;
        if (y != s.posY)
            s.velY = 0.0f;
        s.posX = x;
        s.posY = y;
        s.rect = s.imageRect(0, 0, width, height, t.baseWidth, t.baseHeight);
        s.region = Region::fromRect(s.rect);
    }
}
