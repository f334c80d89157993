#include "tracker/reference_adaptation.h"
#include "tracker/tavo.h"

#include <algorithm>
#include <cmath>

float* tavo::motionNoise(int n)
{
    if (motionNoise_.size() < static_cast<size_t>(2 * n))
        motionNoise_.resize(static_cast<size_t>(2 * n));
    return motionNoise_.data();
}

namespace {

float clampScale(double v, const MotionSettings& s)
{
    return static_cast<float>(std::min(s.maxScale, std::max(s.minScale, v)));
}

}  // namespace

void tavo::moveRobustly(int n)
{
    const MotionSettings& m = *motion;
    Target* t = currentTarget;
    MotionState& state = t->motion;

    drawNoise(n);
    if (state.noiseGain != 1.0) {
        for (int i = 0; i < n; ++i) {
            noiseWindow->noiseX[i] = static_cast<float>(noiseWindow->noiseX[i] * state.noiseGain);
            noiseWindow->noiseY[i] = static_cast<float>(noiseWindow->noiseY[i] * state.noiseGain);
        }
    }
    if (m.damping > 0.0) {
        for (int i = 0; i < n; ++i) {
            windowSamples[i].velX = static_cast<float>(windowSamples[i].velX * (1.0 - m.damping));
            windowSamples[i].velY = static_cast<float>(windowSamples[i].velY * (1.0 - m.damping));
        }
    }
    if (m.scaleWalk()) {
        float* steps = motionNoise(n);
        noisePool.fillNormal(steps, n, 0);
        noisePool.fillNormal(steps + n, n, 1);
        // The pull as a factor on the scale: (settled / scale)^pull.
        const double pull = m.scalePull;
        for (int i = 0; i < n; ++i) {
            Sample& s = windowSamples[i];
            const double common = m.scaleNoise * steps[i];
            const double towardX = pull > 0.0 ? std::pow(state.settledScaleX / s.scaleX, pull) : 1.0;
            const double towardY = pull > 0.0 ? std::pow(state.settledScaleY / s.scaleY, pull) : 1.0;
            const double shape = 0.5 * m.shapeNoise * steps[n + i];
            s.scaleX = clampScale(s.scaleX * towardX * std::exp(common - shape), m);
            s.scaleY = clampScale(s.scaleY * towardY * std::exp(common + m.aspectNoise * steps[n + i] + shape), m);
        }
    }
    propagate(n);
    proposeWidely(n);
    if (m.keepInFrame)
        keepInFrame(n);
}

void tavo::proposeWidely(int n)
{
    // Wide proposals replace the last samples of the block, which resampling
    // filled with copies of the weakest.
    const MotionSettings& m = *motion;
    Target* t = currentTarget;
    const MotionState& state = t->motion;
    const bool coasting = state.coasting && !state.lost;
    const double usual = coasting ? 0.0 : std::min(1.0, m.spread + (state.poor ? m.spreadWhenPoor : 0.0));
    const double share = state.lost ? std::max(m.lostSpread, usual) : usual;
    const int k = std::min(n, static_cast<int>(std::lround(share * n)));
    if (k <= 0)
        return;
    const double size = std::max(t->baseWidth, t->baseHeight);
    double radius = m.spreadRadius * size;
    float cx = t->estimate.posX, cy = t->estimate.posY;
    if (state.lost) {
        cx = state.lastGoodX;
        cy = state.lastGoodY;
        radius += m.lostRadiusGrowth * size * state.lostFrames;
        radius = std::min(radius, static_cast<double>(std::max(frameWidth, frameHeight)));
    }
    float* offsets = motionNoise(k);
    noisePool.fillNormal(offsets, k, 0);
    noisePool.fillNormal(offsets + k, k, 1);
    const int width = static_cast<int>(frameWidth);
    const int height = static_cast<int>(frameHeight);
    for (int j = 0; j < k; ++j) {
        Sample& s = windowSamples[n - k + j];
        const auto place = [&](double sign) {
            s.posX = static_cast<float>(cx + sign * radius * offsets[j]);
            s.posY = static_cast<float>(cy + sign * radius * offsets[k + j]);
            s.rect = s.imageRect(0, 0, width, height, t->baseWidth, t->baseHeight);
            s.region = Region::fromRect(s.rect);
        };
        place(1.0);
        // A lost target looks where no other target is: a proposal on
        // another target's estimate is mirrored through the centre.
        if (state.lost) {
            for (const auto& other : targets) {
                if (other.get() == t)
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

void tavo::keepInFrame(int n)
{
    const Target& t = *currentTarget;
    const int width = static_cast<int>(frameWidth);
    const int height = static_cast<int>(frameHeight);
    for (int i = 0; i < n; ++i) {
        Sample& s = windowSamples[i];
        double lowX, highX, lowY, highY;
        centreRangeInFrame(static_cast<double>(t.baseWidth) * s.scaleX, frameWidth, lowX, highX);
        centreRangeInFrame(static_cast<double>(t.baseHeight) * s.scaleY, frameHeight, lowY, highY);
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

void updateMotionStates(tavo& tracker)
{
    if (!tracker.motion)
        return;
    const MotionSettings& m = *tracker.motion;
    for (const auto& owned : tracker.targets) {
        Target& t = *owned;
        const Sample* samples = tracker.samples + t.firstSample;
        const int n = t.sampleCount;
        double best = 0.0, weighted = 0.0, weights = 0.0, likelihoods = 0.0, squares = 0.0;
        for (int i = 0; i < n; ++i) {
            const double l = samples[i].likelihood;
            best = std::max(best, l);
            likelihoods += l;
            squares += l * l;
            weighted += static_cast<double>(samples[i].weight) * samples[i].likelihood;
            weights += samples[i].weight;
        }
        const double confidence = weights > 0.0 ? weighted / weights : 0.0;
        const double ess = effectiveSampleSize(likelihoods, squares);
        const bool poor = belowTypical(t.motion, best, m.poorMatch) || ess < m.poorSampleShare * n;
        t.motion.poor = poor;
        if (m.adaptiveNoise)
            t.motion.noiseGain = nextNoiseGain(t.motion.noiseGain, poor, m);
        // Only a target that is or may become lost needs its colours
        // measured; without a model they cannot be, and count for nothing.
        double similarity = 0.0;
        if (m.lostAndFound && m.lostSimilarity > 0.0 && t.model &&
            (t.motion.lost || belowTypical(t.motion, best, m.lostMatch)))
            similarity = t.model->similarity(estimateRect(tracker, t));
        updateMotionState(t.motion, best, confidence, t.estimate, m, similarity);
    }
}
