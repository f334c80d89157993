#include "test_tracker.h"
#include "core/tavo.h"
#include "core/target.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct MatDeleter {
    void operator()(CvMat* m) const { cvReleaseMat(&m); }
};
using Mat = std::unique_ptr<CvMat, MatDeleter>;

// 30 x 40 plane: hue 50 in the block x 0..9, y 0..9, hue 120 in the block
// x 20..29, y 10..19, hue 80 everywhere else.
Mat makePlane()
{
    Mat m(cvCreateMat(30, 40, CV_8UC1));
    for (int r = 0; r < m->rows; ++r)
        for (int c = 0; c < m->cols; ++c) {
            int v = 80;
            if (r < 10 && c < 10)
                v = 50;
            else if (r >= 10 && r < 20 && c >= 20 && c < 30)
                v = 120;
            m->data.ptr[r * m->step + c] = static_cast<uint8_t>(v);
        }
    return m;
}

}  // namespace

TEST(TargetRecord, ConstructionAndUniformModels)
{
    Target t;
    EXPECT_EQ(t.id, 0);
    EXPECT_EQ(t.estimate.weight, 1.0f);
    EXPECT_EQ(t.reference.binCount, 0);
    EXPECT_EQ(t.samplingTable, nullptr);
    EXPECT_EQ(t.tableSize, 0);
    EXPECT_EQ(t.cloudBox.area, 0);

    t.initModels(179);
    ASSERT_EQ(t.reference.binCount, 179);
    ASSERT_EQ(t.candidate.binCount, 179);
    for (int i = 0; i < 179; ++i) {
        ASSERT_EQ(t.reference.bins[i], 0.005586592f);
        ASSERT_EQ(t.candidate.bins[i], 0.005586592f);
    }
}

TEST(TargetRecord, PrepareTableKeepsATableOfTheRightSize)
{
    Target t;
    t.prepareTable(0x3ff, 10);
    ASSERT_NE(t.samplingTable, nullptr);
    EXPECT_EQ(t.tableSize, 0x400);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(t.samplingTable) % 32, 0u);
    for (int i = 0; i < t.tableSize; ++i)
        ASSERT_EQ(t.samplingTable[i], nullptr);
    EXPECT_GE(t.neighbours.capacity(), 10u);

    Sample s;
    t.samplingTable[5] = &s;
    Sample** table = t.samplingTable;
    t.prepareTable(0x3ff, 10);
    EXPECT_EQ(t.samplingTable, table);
    EXPECT_EQ(t.samplingTable[5], &s);  // kept, not cleared
    EXPECT_EQ(t.tableSize, 0x400);
}

TEST(TargetRecord, MeasureAgainstTheReference)
{
    Mat plane = makePlane();
    Target t;
    t.initModels(179);
    ASSERT_TRUE(t.setReference(cvRect(0, 0, 10, 10), plane.get()));
    for (int i = 0; i < 179; ++i)
        ASSERT_EQ(t.reference.bins[i], i == 50 ? 1.0f : 0.0f);

    // Same single hue: BC is exactly 1.
    EXPECT_EQ(t.measure(cvRect(2, 3, 4, 5), plane.get()), 1.0f);
    // A hue the reference does not have.
    EXPECT_EQ(t.measure(cvRect(20, 10, 10, 10), plane.get()), static_cast<float>(std::exp(-20.0)));
    // The candidate holds the last rectangle's normalised histogram.
    EXPECT_EQ(t.candidate.bins[120], 1.0f);
    // Half and half: BC = sqrt(0.5), likelihood exp(-20 (1 - sqrt 0.5)).
    EXPECT_EQ(t.measure(cvRect(5, 0, 10, 10), plane.get()),
              static_cast<float>(std::exp(-20.0 * (1.0 - std::sqrt(0.5)))));
}

TEST(TargetRecord, ReferenceFromOutsideThePlaneIsEmpty)
{
    Mat plane = makePlane();
    Target t;
    t.initModels(179);
    EXPECT_TRUE(t.setReference(cvRect(40, 0, 5, 5), plane.get()));
    EXPECT_EQ(t.reference.sum(), 0.0f);
    for (int i = 0; i < 179; ++i)
        ASSERT_EQ(t.reference.bins[i], 0.0f);
    const float floor = static_cast<float>(std::exp(-20.0));
    EXPECT_EQ(t.measure(cvRect(0, 0, 10, 10), plane.get()), floor);
    EXPECT_EQ(t.measure(cvRect(0, 0, 40, 30), plane.get()), floor);
}

// measureSamples adds 2^-23 in double to every likelihood: 1.0000001f for a
// perfect match, 1.2127045e-7f for no overlap at all.
TEST(TargetRecord, MeasuredWeightsCarryTheFloor)
{
    Mat plane = makePlane();
    TestTracker k(plane.get(), 4);
    k.trackOn(plane.get(), 0.0f);
    ASSERT_EQ(k.tracker.addTarget(plane.get(), 0, 0, 10, 10), 1);
    Target* t = k.tracker.targets.back().get();

    const CvRect rects[4] = {cvRect(1, 1, 5, 5), cvRect(20, 10, 10, 10), cvRect(35, 25, 5, 5), cvRect(0, 0, 10, 10)};
    for (int i = 0; i < 4; ++i) {
        k.tracker.samples[t->firstSample + i].rect = rects[i];
        k.tracker.samples[t->firstSample + i].weight = 0.5f;
    }
    k.tracker.selectTarget(t->firstSample, t);
    k.tracker.measureSamples(4);
    const Sample* s = k.tracker.samples + t->firstSample;
    EXPECT_EQ(s[0].weight, 1.0000001f);
    EXPECT_EQ(s[1].weight, 1.2127045e-7f);
    EXPECT_EQ(s[2].weight, 1.2127045e-7f);
    EXPECT_EQ(s[3].weight, 1.0000001f);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s[i].likelihood, s[i].weight);

    // Without a valid plane the candidate stays empty: every sample gets
    // the floor.
    k.tracker.huePlane = nullptr;
    k.tracker.measureSamples(4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s[i].weight, 1.2127045e-7f);
}
