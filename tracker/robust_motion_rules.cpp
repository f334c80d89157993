#include "tracker/robust_motion.h"

#include <algorithm>

double nextNoiseGain(double gain, bool poor, const MotionSettings& s)
{
    const double next = poor ? gain * s.noiseGrowth : gain * s.noiseDecay;
    return std::min(s.maxNoiseGain, std::max(1.0, next));
}

double effectiveSampleSize(double sum, double sumOfSquares)
{
    return sumOfSquares > 0.0 ? sum * sum / sumOfSquares : 0.0;
}

bool belowTypical(const MotionState& m, double best, double share)
{
    return m.typicalBest > 0.0 && best < share * m.typicalBest;
}

void updateMotionState(MotionState& m, double best, double confidence, float x, float y, const MotionSettings& s)
{
    m.bestLikelihood = best;
    m.confidence = confidence;
    if (!m.lost && !belowTypical(m, best, s.poorMatch))
        m.typicalBest = m.typicalBest > 0.0 ? (1.0 - s.typicalRate) * m.typicalBest + s.typicalRate * best : best;
    if (!s.lostAndFound) {
        m.lastGoodX = x;
        m.lastGoodY = y;
        return;
    }
    if (m.lost) {
        if (!belowTypical(m, best, s.foundMatch)) {
            m.lost = false;
            m.lostFrames = 0;
            m.poorFrames = 0;
            m.lastGoodX = x;
            m.lastGoodY = y;
        } else {
            ++m.lostFrames;
        }
        return;
    }
    m.poorFrames = belowTypical(m, best, s.lostMatch) ? m.poorFrames + 1 : 0;
    if (m.poorFrames >= s.lostAfterFrames) {
        m.lost = true;
        m.lostFrames = 0;
        return;
    }
    if (m.poorFrames == 0) {
        m.lastGoodX = x;
        m.lastGoodY = y;
    }
}
