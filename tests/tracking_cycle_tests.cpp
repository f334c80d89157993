// The per-frame cycle: rectangle rule, motion model and whole cycles on
// small synthetic hue planes.

#include "test_tracker.h"
#include "core/tavo.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct OwnedMat {
    CvMat* m;
    OwnedMat(int rows, int cols, int type) : m(cvCreateMat(rows, cols, type)) {}
    ~OwnedMat() { cvReleaseMat(&m); }
    OwnedMat(const OwnedMat&) = delete;
    OwnedMat& operator=(const OwnedMat&) = delete;
};

void paint(CvMat* plane, int x, int y, int w, int h, int hue)
{
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c)
            CV_MAT_ELEM(*plane, uchar, r, c) = static_cast<uchar>(hue);
}

Sample at(float posX, float posY, float scaleX, float scaleY)
{
    Sample s;
    s.posX = posX;
    s.posY = posY;
    s.scaleX = scaleX;
    s.scaleY = scaleY;
    return s;
}

void expectRect(CvRect r, int x, int y, int w, int h)
{
    EXPECT_EQ(x, r.x);
    EXPECT_EQ(y, r.y);
    EXPECT_EQ(w, r.width);
    EXPECT_EQ(h, r.height);
}

}  // namespace

TEST(ImageRect, CentresOnThePositionMovesInsideLeftAndCutsRight)
{
    const CvRect r = at(100, 50, 1, 1).imageRect(0, 0, 320, 240, 18, 18);
    expectRect(r, 91, 41, 18, 18);
    const Region g = Region::fromRect(r);
    EXPECT_EQ(108, g.right);
    EXPECT_EQ(99.5f, g.centerX);

    // Halves round to even.
    EXPECT_EQ(10, at(19.5f, 50, 1, 1).imageRect(0, 0, 320, 240, 18, 18).x);
    EXPECT_EQ(12, at(20.5f, 50, 1, 1).imageRect(0, 0, 320, 240, 18, 18).x);

    // Past the left/top border: moved inside at full size; past the
    // right/bottom border: cut, but never below one pixel.
    expectRect(at(-50, -50, 1, 1).imageRect(0, 0, 320, 240, 18, 18), 0, 0, 18, 18);
    expectRect(at(315, 235, 1, 1).imageRect(0, 0, 320, 240, 18, 18), 306, 226, 14, 14);
    expectRect(at(400, 500, 1, 1).imageRect(0, 0, 320, 240, 18, 18), 319, 239, 1, 1);

    // A scale that makes the size round to 0 still gives one pixel.
    expectRect(at(100, 50, 0.02f, 0).imageRect(0, 0, 320, 240, 18, 18), 100, 50, 1, 1);
}

TEST(Propagate, MovesByVelocityPlusNoiseAndKeepsTheDisplacementAsVelocity)
{
    OwnedMat plane(240, 320, CV_8UC1);
    TestTracker k(3, 2, 7);
    k.trackOn(plane.m, 0.0f);
    Target* t = k.tracker.createTarget(-1);
    t->baseWidth = t->baseHeight = 18;
    k.tracker.selectTarget(t->firstSample, t);
    for (int i = 0; i < 3; ++i) {
        Sample& s = k.sample(t, i);
        s = at(100.0f + i, 50, 1, 1);
        s.velX = 2;
        s.velY = -1;
        s.weight = 0.5f;
        s.likelihood = 0.25f;
        s.vote = 3;
    }

    // Zero noise: constant velocity.
    EXPECT_EQ(1, k.tracker.drawNoise(3));
    k.tracker.propagate(3);
    for (int i = 0; i < 3; ++i) {
        const Sample& s = k.sample(t, i);
        EXPECT_EQ(102.0f + i, s.posX);
        EXPECT_EQ(49.0f, s.posY);
        EXPECT_EQ(2.0f, s.velX);
        EXPECT_EQ(-1.0f, s.velY);
        expectRect(s.rect, 93 + i, 40, 18, 18);
        const Region g = Region::fromRect(s.rect);
        EXPECT_EQ(0, std::memcmp(&g, &s.region, sizeof(Region)));
        EXPECT_EQ(0.5f, s.weight);
        EXPECT_EQ(0.25f, s.likelihood);
        EXPECT_EQ(3.0f, s.vote);
        EXPECT_EQ(1.0f, s.scaleX);
    }

    // With noise the velocity becomes the displacement just made.
    k.tracker.noiseScaleX = 0.2f;
    k.tracker.noiseScaleY = 3.0f;
    const std::vector<Sample> old(&k.sample(t, 0), &k.sample(t, 0) + 3);
    k.tracker.drawNoise(3);
    k.tracker.propagate(3);
    const NoiseArrays& noise = *k.tracker.noiseWindow;
    for (int i = 0; i < 3; ++i) {
        const Sample& s = k.sample(t, i);
        EXPECT_NE(0.0f, noise.noiseX[i]);
        EXPECT_EQ(static_cast<float>(static_cast<double>(old[i].posX) + old[i].velX + noise.noiseX[i]), s.posX);
        EXPECT_EQ(static_cast<float>(static_cast<double>(s.posX) - old[i].posX), s.velX);
        EXPECT_EQ(static_cast<float>(static_cast<double>(s.posY) - old[i].posY), s.velY);
    }
}

TEST(DrawNoise, ScalesTheNormalStreamsOfStatesZeroAndOne)
{
    OwnedMat plane(10, 10, CV_8UC1);
    TestTracker unit(4, 1, 7, 9), scaled(4, 1, 7, 9);
    unit.trackOn(plane.m, 1.0f);
    scaled.trackOn(plane.m, 0.2f);
    std::vector<float> x(4), y(4);
    unit.tracker.noisePool.fillNormal(x.data(), 4, 0);
    unit.tracker.noisePool.fillNormal(y.data(), 4, 1);
    scaled.tracker.selectTarget(0, nullptr);
    scaled.tracker.noiseScaleY = 3.0f;
    scaled.tracker.drawNoise(4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<float>(static_cast<double>(x[i]) * 0.2f), scaled.tracker.noiseWindow->noiseX[i]);
        EXPECT_EQ(static_cast<float>(static_cast<double>(y[i]) * 3.0f), scaled.tracker.noiseWindow->noiseY[i]);
    }
}

TEST(Track, WithoutTargetsReturnsOneAndChangesNothing)
{
    OwnedMat plane(20, 20, CV_8UC1);
    TestTracker k(3, 2, 7);
    k.trackOn(plane.m, 0.2f);
    const std::vector<Sample> before(k.tracker.samples, k.tracker.samples + 6);
    const uint64_t noise[2] = {k.tracker.noisePool.states[0], k.tracker.noisePool.states[1]};
    const uint64_t joint[2] = {k.tracker.jointPool.states[0], k.tracker.jointPool.states[1]};

    EXPECT_EQ(1, k.tracker.track());

    EXPECT_EQ(0, std::memcmp(before.data(), k.tracker.samples, sizeof(Sample) * 6));
    EXPECT_EQ(noise[0], k.tracker.noisePool.states[0]);
    EXPECT_EQ(noise[1], k.tracker.noisePool.states[1]);
    EXPECT_EQ(joint[0], k.tracker.jointPool.states[0]);
    EXPECT_EQ(joint[1], k.tracker.jointPool.states[1]);
    EXPECT_EQ(-1, k.tracker.windowStart);
}

TEST(Track, SameSeedGivesBitIdenticalSamples)
{
    OwnedMat plane(60, 80, CV_8UC1);
    paint(plane.m, 0, 0, 80, 60, 20);
    paint(plane.m, 20, 15, 10, 10, 100);
    paint(plane.m, 30, 15, 10, 10, 150);  // adjacent: the two clouds interact

    auto run = [&](TestTracker& k) {
        EXPECT_EQ(1, k.tracker.addTarget(plane.m, 20, 15, 10, 10));
        EXPECT_EQ(1, k.tracker.addTarget(plane.m, 30, 15, 10, 10));
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_EQ(1, k.tracker.track());
    };
    TestTracker first(40, 2, 0xff, 7), second(40, 2, 0xff, 7);
    first.trackOn(plane.m, 1.0f);
    second.trackOn(plane.m, 1.0f);
    run(first);
    run(second);

    EXPECT_FALSE(first.tracker.targets[0]->neighbours.empty());
    EXPECT_EQ(0, std::memcmp(first.tracker.samples, second.tracker.samples, sizeof(Sample) * 80));
    // The cycle ends with the joint move's weights, a distribution per target.
    for (const auto& t : first.tracker.targets) {
        double sum = 0;
        for (int i = 0; i < t->sampleCount; ++i)
            sum += first.sample(t.get(), i).weight;
        EXPECT_NEAR(1.0, sum, 1e-5);
    }
    EXPECT_EQ(nullptr, first.tracker.currentTarget);
}

TEST(Track, TargetsStayOnTheirColouredSquares)
{
    OwnedMat plane(100, 160, CV_8UC1);
    OwnedMat display(100, 160, CV_8UC3);
    auto paintFrame = [&](int frame) {
        paint(plane.m, 0, 0, 160, 100, 30);
        paint(plane.m, 20 + frame, 40, 12, 12, 120);  // moves right by 1 px per frame
        paint(plane.m, 120, 20, 12, 12, 60);          // stays
    };
    paintFrame(0);
    TestTracker k(100, 2, 0xfff, 3);
    k.trackOn(plane.m, 0.2f);
    ASSERT_EQ(1, k.tracker.addTarget(plane.m, 20, 40, 12, 12));
    ASSERT_EQ(1, k.tracker.addTarget(plane.m, 120, 20, 12, 12));
    const Target& moving = *k.tracker.targets[0];
    const Target& still = *k.tracker.targets[1];

    for (int frame = 1; frame <= 40; ++frame) {
        SCOPED_TRACE(frame);
        paintFrame(frame);
        k.tracker.track();
        cvSet(display.m, cvScalarAll(0));
        k.tracker.draw(display.m);
        EXPECT_NEAR(26.0 + frame, moving.estimate.posX, 2.0);
        EXPECT_NEAR(46.0, moving.estimate.posY, 2.0);
        EXPECT_NEAR(126.0, still.estimate.posX, 2.0);
        EXPECT_NEAR(26.0, still.estimate.posY, 2.0);
    }
    EXPECT_NEAR(1.0, moving.estimate.velX, 0.5);
}
