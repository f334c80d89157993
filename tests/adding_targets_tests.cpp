// Adding targets: slot blocks, ids, refusals and the seeding of a new
// target's samples.

#include "test_tracker.h"
#include "core/tavo.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cfloat>

namespace {

struct OwnedMat {
    CvMat* m;
    OwnedMat(int rows, int cols, int type) : m(cvCreateMat(rows, cols, type)) { cvSet(m, cvScalarAll(40)); }
    ~OwnedMat() { cvReleaseMat(&m); }
    OwnedMat(const OwnedMat&) = delete;
    OwnedMat& operator=(const OwnedMat&) = delete;
};

}  // namespace

TEST(AddTarget, TenBlocksOfFiveHundredFillTheStoreAndTheEleventhIsRefused)
{
    OwnedMat plane(240, 320, CV_8UC1);
    TestTracker k(plane.m, 500);
    k.trackOn(plane.m, 0.2f);
    const int32_t idBefore = nextTargetId;

    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(1, k.tracker.addTarget(plane.m, 10 + 25 * i, 20, 18, 18));
        const Target& t = *k.tracker.targets[i];
        EXPECT_EQ(500 * i, t.firstSample);
        EXPECT_EQ(500 * (i + 1), t.endSample);
        EXPECT_EQ(500, t.sampleCount);
        EXPECT_EQ(500, t.reservedCount);
        EXPECT_EQ(idBefore + 1 + i, t.id);
        EXPECT_EQ(0x40000, t.tableSize);
        EXPECT_EQ(&t, k.tracker.currentTarget);
    }
    EXPECT_EQ(5000, k.tracker.targets.back()->endSample);

    EXPECT_EQ(0, k.tracker.addTarget(plane.m, 10, 100, 18, 18));
    EXPECT_EQ(nullptr, k.tracker.createTarget(-1));
    EXPECT_EQ(10u, k.tracker.targets.size());
    EXPECT_EQ(idBefore + 10, nextTargetId);

    // Ids are process-wide: a second tracker continues the numbering.
    TestTracker other(plane.m, 500);
    other.trackOn(plane.m, 0.2f);
    ASSERT_EQ(1, other.tracker.addTarget(plane.m, 10, 20, 18, 18));
    EXPECT_EQ(idBefore + 11, other.tracker.targets[0]->id);
    EXPECT_EQ(0, other.tracker.targets[0]->firstSample);
}

TEST(AddTarget, EmptyRectanglesAndMissingPlanesAreRefusedWithoutUsingAnId)
{
    OwnedMat plane(240, 320, CV_8UC1);
    TestTracker k(plane.m, 500);
    k.trackOn(plane.m, 0.2f);
    const int32_t idBefore = nextTargetId;

    EXPECT_EQ(0, k.tracker.addTarget(nullptr, 10, 10, 18, 18));
    EXPECT_EQ(0, k.tracker.addTarget(plane.m, 10, 10, 0, 18));
    EXPECT_EQ(0, k.tracker.addTarget(plane.m, 10, 10, 18, 0));
    // Negative sizes describe no pixels either: such a target could never
    // be measured, so it is refused as well.
    EXPECT_EQ(0, k.tracker.addTarget(plane.m, 10, 10, -5, 18));
    EXPECT_EQ(0, k.tracker.addTarget(plane.m, 10, 10, 18, -5));

    EXPECT_TRUE(k.tracker.targets.empty());
    EXPECT_EQ(idBefore, nextTargetId);
    EXPECT_EQ(nullptr, k.tracker.currentTarget);
}

TEST(AddTarget, SeedsEveryBlockSampleFromTheRectangleAndMovesItOnce)
{
    OwnedMat plane(300, 320, CV_8UC1);
    for (int r = 261; r < 279; ++r)
        for (int c = 136; c < 154; ++c)
            CV_MAT_ELEM(*plane.m, uchar, r, c) = 100;
    TestTracker k(plane.m, 500);
    k.trackOn(plane.m, 0.2f);
    ASSERT_EQ(1, k.tracker.addTarget(plane.m, 136, 261, 18, 18));
    const Target& t = *k.tracker.targets[0];

    const Sample& e = t.estimate;
    EXPECT_EQ(145.0f, e.posX);
    EXPECT_EQ(270.0f, e.posY);
    EXPECT_EQ(136, e.region.x);
    EXPECT_EQ(261, e.region.y);
    EXPECT_EQ(144.5f, e.region.centerX);
    EXPECT_EQ(269.5f, e.region.centerY);
    EXPECT_EQ(324, e.region.area);
    EXPECT_EQ(153, e.region.right);
    EXPECT_EQ(278, e.region.bottom);
    EXPECT_EQ(0.0f, e.velX);
    EXPECT_EQ(0.0f, e.velY);
    EXPECT_EQ(1.0f, e.scaleX);
    EXPECT_EQ(1.0f, e.scaleY);
    EXPECT_EQ(18.0f, t.baseWidth);
    EXPECT_EQ(18.0f, t.baseHeight);
    ASSERT_EQ(179, t.reference.binCount);
    EXPECT_EQ(1.0f, t.reference.bins[100]);  // learnt from the single-hue square

    int moved = 0;
    for (int i = 0; i < t.sampleCount; ++i) {
        const Sample& s = k.tracker.samples[t.firstSample + i];
        EXPECT_EQ(static_cast<float>(static_cast<double>(s.posX) - 145.0), s.velX);
        EXPECT_EQ(static_cast<float>(static_cast<double>(s.posY) - 270.0), s.velY);
        EXPECT_EQ(1.0f, s.scaleX);
        const CvRect r = s.imageRect(0, 0, 320, 300, 18, 18);
        EXPECT_EQ(r.x, s.rect.x);
        EXPECT_EQ(r.y, s.rect.y);
        EXPECT_EQ(s.rect.x + 17, s.region.right);
        // Measured against the new reference: weight equals likelihood, and a
        // sample still on the square matches it exactly.
        EXPECT_EQ(s.likelihood, s.weight);
        EXPECT_GE(s.weight, FLT_EPSILON);
        if (s.rect.x == 136 && s.rect.y == 261) {
            EXPECT_EQ(1.0f + FLT_EPSILON, s.weight);
        }
        moved += s.posX != 145.0f || s.posY != 270.0f;
        // Not sorted: the references are still in storage order.
        EXPECT_EQ(&s, k.tracker.windowRefs[i]);
    }
    EXPECT_GT(moved, 490);
}

TEST(FillSamples, WritesTheBlockOfAKnownIdAndIgnoresUnknownIds)
{
    TestTracker k(3, 3, 7);
    Target* a = k.tracker.createTarget(-1);
    Target* b = k.tracker.createTarget(-1);
    ASSERT_TRUE(a && b);
    k.tracker.selectTarget(a->firstSample, a);

    Sample s;
    s.posX = 42;
    EXPECT_EQ(0, k.tracker.fillSamples(a->id + b->id + 100, s));
    EXPECT_EQ(a, k.tracker.currentTarget);
    EXPECT_EQ(a->firstSample, k.tracker.windowStart);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(0.0f, k.tracker.samples[i].posX);

    EXPECT_EQ(1, k.tracker.fillSamples(b->id, s));
    EXPECT_EQ(nullptr, k.tracker.currentTarget);
    EXPECT_EQ(b->firstSample, k.tracker.windowStart);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(i >= 3 && i < 6 ? 42.0f : 0.0f, k.tracker.samples[i].posX) << i;
}

TEST(CreateTarget, SmallBlocksAreStillLimitedByTheJointPool)
{
    TestTracker k(2, 3, 7);
    EXPECT_EQ(6, k.tracker.sampleCapacity);
    EXPECT_EQ(3, k.tracker.jointPool.count);

    const int32_t idBefore = nextTargetId;
    for (int i = 0; i < 3; ++i) {
        Target* t = k.tracker.createTarget(1);
        ASSERT_NE(nullptr, t);
        EXPECT_EQ(i, t->firstSample);  // each block starts where the last ended
        EXPECT_EQ(i + 1, t->endSample);
    }
    // Slots remain, but the joint move has one pool state per target.
    EXPECT_EQ(nullptr, k.tracker.createTarget(1));
    EXPECT_EQ(3u, k.tracker.targets.size());
    EXPECT_EQ(idBefore + 3, nextTargetId);
}
