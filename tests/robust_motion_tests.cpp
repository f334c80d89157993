// Robust motion: the noise rule's bounds, lost and found, damping, the
// scale walk's range and the wide proposals.

#include "core/tavo.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

Sample at(float x, float y)
{
    Sample e;
    e.posX = x;
    e.posY = y;
    return e;
}

}  // namespace

TEST(NoiseGain, GrowsWhilePoorShrinksWhileGoodWithinItsBounds)
{
    MotionSettings s;
    double gain = 1.0;
    for (int i = 0; i < 20; ++i)
        gain = nextNoiseGain(gain, true, s);
    EXPECT_EQ(gain, s.maxNoiseGain);
    EXPECT_EQ(nextNoiseGain(2.0, true, s), 3.0);
    EXPECT_EQ(nextNoiseGain(2.0, false, s), 1.5);
    for (int i = 0; i < 20; ++i)
        gain = nextNoiseGain(gain, false, s);
    EXPECT_EQ(gain, 1.0) << "never below the set noise";

    EXPECT_DOUBLE_EQ(effectiveSampleSize(4.0, 4.0), 4.0);   // four equal weights of 1
    EXPECT_DOUBLE_EQ(effectiveSampleSize(1.0, 1.0), 1.0);   // one weight carries all
    EXPECT_EQ(effectiveSampleSize(0.0, 0.0), 0.0);
}

TEST(LostAndFound, LostAfterPoorFramesFoundOnAGoodMatch)
{
    MotionSettings s;
    s.lostAndFound = true;
    MotionState m;
    // The first frame gives the typical best match; matches are poor
    // relative to it.
    const double typical = 0.4;
    updateMotionState(m, typical, 0.3, at(10, 20), s);
    EXPECT_EQ(m.typicalBest, typical);
    EXPECT_FALSE(m.lost);
    EXPECT_EQ(m.lastGoodX, 10.0f);
    EXPECT_TRUE(belowTypical(m, typical * s.lostMatch * 0.99, s.lostMatch));
    EXPECT_FALSE(belowTypical(m, typical * s.lostMatch, s.lostMatch));
    EXPECT_FALSE(belowTypical(MotionState{}, 0.0, s.lostMatch)) << "no typical match yet: nothing is poor";

    const double poor = typical * s.lostMatch / 2;
    for (int i = 0; i < s.lostAfterFrames - 1; ++i)
        updateMotionState(m, poor, 0.01, at(50 + i, 50), s);
    EXPECT_FALSE(m.lost) << "one poor frame short";
    EXPECT_EQ(m.lastGoodX, 10.0f) << "poor frames do not move the last good position";
    EXPECT_EQ(m.typicalBest, typical) << "nor the typical match";
    updateMotionState(m, poor, 0.01, at(60, 60), s);
    EXPECT_TRUE(m.lost);
    // A match between the two thresholds neither finds it nor counts as good.
    updateMotionState(m, typical * (s.lostMatch + s.foundMatch) / 2, 0.05, at(61, 60), s);
    EXPECT_TRUE(m.lost);
    EXPECT_EQ(m.lostFrames, 1);
    updateMotionState(m, typical * s.foundMatch, 0.5, at(70, 30), s);
    EXPECT_FALSE(m.lost);
    EXPECT_EQ(m.lastGoodX, 70.0f);
    EXPECT_EQ(m.poorFrames, 0);

    // A good frame in between starts the count again.
    for (double best : {0.0, 0.0, typical, 0.0, 0.0})
        updateMotionState(m, best, 0.0, at(1, 1), s);
    EXPECT_FALSE(m.lost);
    // Without lost-and-found nothing is ever lost.
    MotionSettings off;
    MotionState n;
    for (int i = 0; i < 10; ++i)
        updateMotionState(n, 0.0, 0.0, at(1, 1), off);
    EXPECT_FALSE(n.lost);
}

namespace {

// One target of 200 samples on a uniform plane, moved by the robust motion.
struct MovingTarget {
    CvMat* plane = cvCreateMat(120, 160, CV_8UC1);
    CountingTickSource ticks{9};
    tavo tracker{ticks};
    MotionSettings settings;
    Target* t = nullptr;

    MovingTarget()
    {
        cvSet(plane, cvScalarAll(40));
        tracker.huePlane = plane;
        tracker.init(plane, 200);
        tracker.motion = &settings;
        tracker.addTarget(plane, 70, 50, 20, 20);
        t = tracker.targets[0].get();
        tracker.selectTarget(t->firstSample, t);
    }
    ~MovingTarget() { cvReleaseMat(&plane); }
    Sample& sample(int i) { return tracker.samples[t->firstSample + i]; }
};

}  // namespace

TEST(RobustMotion, DampingSlowsAStaleVelocity)
{
    MovingTarget m;
    m.tracker.noiseScaleX = m.tracker.noiseScaleY = 0.0f;
    m.settings.damping = 0.5;
    for (int i = 0; i < 200; ++i) {
        m.sample(i).velX = 2.0f;
        m.sample(i).velY = -4.0f;
        m.sample(i).posX = 80.0f;
    }
    m.tracker.moveSamples(200);
    EXPECT_EQ(m.sample(7).velX, 1.0f);
    EXPECT_EQ(m.sample(7).velY, -2.0f);
    EXPECT_EQ(m.sample(7).posX, 81.0f);
}

TEST(RobustMotion, ScaleWalkStaysInItsRangeAndMovesBothAxesTogether)
{
    MovingTarget m;
    m.settings.scaleNoise = 0.3;
    m.settings.minScale = 0.8;
    m.settings.maxScale = 1.25;
    bool grew = false, shrank = false;
    for (int cycle = 0; cycle < 10; ++cycle) {
        m.tracker.moveSamples(200);
        for (int i = 0; i < 200; ++i) {
            const Sample& s = m.sample(i);
            ASSERT_GE(s.scaleX, 0.8f);
            ASSERT_LE(s.scaleX, 1.25f);
            ASSERT_EQ(s.scaleX, s.scaleY) << "no aspect noise: one scale";
            EXPECT_EQ(s.rect.width, cvRound(s.scaleX * 20.0));
            grew = grew || s.scaleX > 1.2f;
            shrank = shrank || s.scaleX < 0.85f;
        }
    }
    EXPECT_TRUE(grew && shrank);
    m.settings.aspectNoise = 0.1;
    m.tracker.moveSamples(200);
    int differ = 0;
    for (int i = 0; i < 200; ++i)
        differ += m.sample(i).scaleX != m.sample(i).scaleY;
    EXPECT_GT(differ, 100);
}

TEST(RobustMotion, WideProposalsReplaceTheLastShareAroundTheEstimate)
{
    MovingTarget m;
    m.tracker.noiseScaleX = m.tracker.noiseScaleY = 0.0f;
    m.settings.spread = 0.25;
    m.settings.spreadRadius = 1.0;  // 20 px
    for (int i = 0; i < 200; ++i)
        m.sample(i).velX = 3.0f;
    m.t->estimate.posX = 40.0f;
    m.t->estimate.posY = 60.0f;
    m.tracker.moveSamples(200);
    double sumX = 0, sumSq = 0;
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(m.sample(i).velX, 3.0f) << i;
    for (int i = 150; i < 200; ++i) {
        const Sample& s = m.sample(i);
        EXPECT_EQ(s.velX, 0.0f);
        EXPECT_EQ(s.velY, 0.0f);
        EXPECT_EQ(s.rect.x, s.imageRect(0, 0, 160, 120, 20, 20).x);
        sumX += s.posX;
        sumSq += (s.posX - 40.0) * (s.posX - 40.0);
    }
    EXPECT_NEAR(sumX / 50, 40.0, 6.0);
    EXPECT_NEAR(std::sqrt(sumSq / 50), 20.0, 8.0);

    // A lost target searches around its last good position with more of its
    // samples, farther the longer it is lost.
    m.t->motion.lost = true;
    m.t->motion.lostFrames = 4;
    m.t->motion.lastGoodX = 120.0f;
    m.t->motion.lastGoodY = 30.0f;
    m.tracker.moveSamples(200);
    const int k = static_cast<int>(std::lround(m.settings.lostSpread * 200));
    double spread = 0;
    for (int i = 200 - k; i < 200; ++i)
        spread += std::fabs(m.sample(i).posX - 120.0);
    EXPECT_GT(spread / k, 20.0);
}

TEST(Coasting, AJoinedTargetCoastsAndWithCoastWhileMatchedOnlyWhileItsMatchIsNotPoor)
{
    MotionSettings s;
    MotionState good, poor;
    poor.poor = true;
    EXPECT_FALSE(coastsNow(s, true, good)) << "coast-when-joined off";
    s.coastWhenJoined = true;
    EXPECT_TRUE(coastsNow(s, true, good));
    EXPECT_TRUE(coastsNow(s, true, poor)) << "the preset's rule: joined is enough";
    EXPECT_FALSE(coastsNow(s, false, good));
    s.coastWhileMatched = true;
    EXPECT_TRUE(coastsNow(s, true, good));
    EXPECT_FALSE(coastsNow(s, true, poor)) << "the object got away from under the joined thing";
}
