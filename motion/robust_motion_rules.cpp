#include "motion/robust_motion.h"

#include "core/sample.h"

#include <algorithm>
#include <cmath>

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

bool coastsNow(const MotionSettings& s, bool joined, const MotionState& m)
{
    return s.coastWhenJoined && joined && !(s.coastWhileMatched && m.poor);
}

void centreRangeInFrame(double side, double frameSide, double& low, double& high)
{
    const double outside = (0.5 - std::sqrt(kLeastShareInFrame)) * side;  // negative: the centre stays inside
    low = std::min(-outside, 0.5 * frameSide);
    high = std::max(frameSide + outside, 0.5 * frameSide);
}

namespace {

void keepAsGood(MotionState& m, const Sample& e)
{
    m.lastGoodX = e.posX;
    m.lastGoodY = e.posY;
    m.lastGoodScaleX = e.scaleX;
    m.lastGoodScaleY = e.scaleY;
}

}  // namespace

void updateMotionState(MotionState& m, double best, double confidence, const Sample& e, const MotionSettings& s,
                       double similarity)
{
    m.bestLikelihood = best;
    m.confidence = confidence;
    if (!m.lost && !belowTypical(m, best, s.poorMatch)) {
        m.typicalBest = m.typicalBest > 0.0 ? (1.0 - s.typicalRate) * m.typicalBest + s.typicalRate * best : best;
        m.settledScaleX = (1.0 - s.settleRate) * m.settledScaleX + s.settleRate * e.scaleX;
        m.settledScaleY = (1.0 - s.settleRate) * m.settledScaleY + s.settleRate * e.scaleY;
    }
    if (!s.lostAndFound) {
        keepAsGood(m, e);
        return;
    }
    const bool coloursSeen = s.lostSimilarity > 0.0 && similarity >= s.lostSimilarity;
    if (m.lost) {
        if (!belowTypical(m, best, s.foundMatch) || coloursSeen) {
            m.lost = false;
            m.lostFrames = 0;
            m.poorFrames = 0;
            keepAsGood(m, e);
        } else {
            ++m.lostFrames;
        }
        return;
    }
    m.poorFrames = belowTypical(m, best, s.lostMatch) && !coloursSeen ? m.poorFrames + 1 : 0;
    if (m.poorFrames >= s.lostAfterFrames) {
        m.lost = true;
        m.lostFrames = 0;
        return;
    }
    if (m.poorFrames == 0)
        keepAsGood(m, e);
}
