// Counting, normalising and comparing only the occupied bins, and
// measuring each distinct rectangle once, give the literal results bit for
// bit: random and adversarial planes, rectangles and references.

#include "literal/literal_cycle.h"
#include "same_bits.h"
#include "test_tracker.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

struct MatDeleter {
    void operator()(CvMat* m) const { cvReleaseMat(&m); }
};
using Mat = std::unique_ptr<CvMat, MatDeleter>;

// A plane of random bytes: few distinct values (like a target's square and
// its ground) or any value 0 .. 255, 255 standing for values above the bins.
Mat randomPlane(std::mt19937& rng, int rows, int cols, int type, bool fewValues)
{
    Mat m(cvCreateMat(rows, cols, type));
    const int bytes = cols * CV_MAT_CN(type);
    std::uniform_int_distribution<int> any(0, 255), pick(0, 3);
    const int few[4] = {0, 60, 178, 179};
    for (int r = 0; r < rows; ++r)
        for (int b = 0; b < bytes; ++b)
            m->data.ptr[r * m->step + b] = static_cast<uint8_t>(fewValues ? few[pick(rng)] : any(rng));
    return m;
}

// Rectangles inside, cut by every edge, shifted from left of and above the
// plane, empty, and of negative size.
CvRect randomRect(std::mt19937& rng, int rows, int cols)
{
    std::uniform_int_distribution<int> x(-8, cols + 4), y(-8, rows + 4), w(-3, cols + 8), h(-3, rows + 8);
    return cvRect(x(rng), y(rng), w(rng), h(rng));
}

// Reference bins of every kind the comparison can meet.
void fillReference(std::mt19937& rng, HueHistogram& ref, int kind)
{
    std::uniform_real_distribution<float> share(0.0f, 0.05f);
    std::bernoulli_distribution sparse(0.7);
    for (int i = 0; i < ref.binCount; ++i) {
        switch (kind) {
        case 0:  // a learnt model: mostly empty bins
            ref.bins[i] = sparse(rng) ? 0.0f : share(rng);
            break;
        case 1:  // uniform
            ref.bins[i] = 1.0f / static_cast<float>(ref.binCount);
            break;
        case 2:  // negative zeros and negative values
            ref.bins[i] = sparse(rng) ? -0.0f : -share(rng);
            break;
        default:  // an infinity or NaN where the candidate is empty
            ref.bins[i] = sparse(rng) ? 0.0f : share(rng);
            if (i == 7)
                ref.bins[i] = kind == 3 ? std::numeric_limits<float>::infinity() : std::nanf("");
            break;
        }
    }
}

}  // namespace

TEST(MeasuringExactness, CountingGivesTheLiteralBinsAndListsTheOccupiedOnes)
{
    std::mt19937 rng(11);
    for (int bins : {179, 1, 60, 256, 300}) {
        HueHistogram fast, literal;
        ASSERT_TRUE(fast.allocate(bins));
        ASSERT_TRUE(literal.allocate(bins));
        for (int trial = 0; trial < 200; ++trial) {
            const int type = trial % 3 == 0 ? CV_8UC2 : CV_8UC1;
            const int rows = 1 + trial % 23, cols = 1 + (trial * 7) % 31;
            Mat plane = randomPlane(rng, rows, cols, type, trial % 2 == 0);
            const CvRect r = randomRect(rng, rows, cols);
            fast.fill(-1.0f);
            literal.fill(-1.0f);
            OccupiedBins occupied;
            const bool counted = fast.accumulate(plane.get(), r.x, r.y, r.width, r.height, occupied);
            ASSERT_EQ(literal::accumulate(literal, plane.get(), r.x, r.y, r.width, r.height), counted);
            ASSERT_TRUE(sameBits(literal.bins, fast.bins, bins)) << "bins " << bins << " trial " << trial;
            std::vector<int> nonZero;
            for (int i = 0; i < bins; ++i)
                if (fast.bins[i] != 0.0f)
                    nonZero.push_back(i);
            ASSERT_EQ(std::vector<int>(occupied.index, occupied.index + occupied.count), nonZero);
        }
    }
}

TEST(MeasuringExactness, UnsuitablePlanesAreRefusedAlike)
{
    HueHistogram fast, literal;
    ASSERT_TRUE(fast.allocate(179));
    ASSERT_TRUE(literal.allocate(179));
    Mat wide(cvCreateMat(4, 4, CV_16UC1));
    Mat colour(cvCreateMat(4, 4, CV_8UC3));
    for (const CvMat* plane : {static_cast<const CvMat*>(nullptr), static_cast<const CvMat*>(wide.get()),
                               static_cast<const CvMat*>(colour.get())}) {
        fast.fill(0.5f);
        literal.fill(0.5f);
        OccupiedBins occupied;
        occupied.count = 3;
        EXPECT_FALSE(fast.accumulate(plane, 0, 0, 4, 4, occupied));
        EXPECT_FALSE(literal::accumulate(literal, plane, 0, 0, 4, 4));
        EXPECT_EQ(0, occupied.count);
        EXPECT_TRUE(sameBits(literal.bins, fast.bins, 179));
    }
}

// One value more than 2^24 times: a float count stops at 2^24, one 1.0f at
// a time as well as from an integer count.
TEST(MeasuringExactness, CountsBeyondTwoToTheTwentyFourSaturateAlike)
{
    const int rows = 4100, cols = 4096;  // 16 793 600 pixels
    Mat plane(cvCreateMat(rows, cols, CV_8UC1));
    cvSet(plane.get(), cvScalarAll(9), nullptr);
    plane->data.ptr[0] = 10;
    HueHistogram fast, literal;
    ASSERT_TRUE(fast.allocate(179));
    ASSERT_TRUE(literal.allocate(179));
    ASSERT_TRUE(fast.accumulate(plane.get(), 0, 0, cols, rows));
    ASSERT_TRUE(literal::accumulate(literal, plane.get(), 0, 0, cols, rows));
    EXPECT_EQ(16777216.0f, fast.bins[9]);
    EXPECT_EQ(1.0f, fast.bins[10]);
    EXPECT_TRUE(sameBits(literal.bins, fast.bins, 179));
}

TEST(MeasuringExactness, MeasureGivesTheLiteralLikelihoodAndCandidate)
{
    std::mt19937 rng(5);
    for (int kind = 0; kind < 5; ++kind) {
        for (int candidateBins : {179, 100}) {
            Target fast, literal;
            fast.initModels(179);
            literal.initModels(179);
            fast.candidate.allocate(candidateBins);
            literal.candidate.allocate(candidateBins);
            fillReference(rng, fast.reference, kind);
            ASSERT_TRUE(literal.reference.copyFrom(fast.reference));
            for (int trial = 0; trial < 150; ++trial) {
                const int rows = 1 + trial % 19, cols = 1 + (trial * 5) % 27;
                Mat plane = randomPlane(rng, rows, cols, trial % 4 == 0 ? CV_8UC2 : CV_8UC1, trial % 2 == 1);
                const CvRect r = randomRect(rng, rows, cols);
                const float a = fast.measure(r, plane.get());
                const float b = literal::measure(literal, r, plane.get());
                ASSERT_EQ(bitsOf(b), bitsOf(a)) << "kind " << kind << " trial " << trial << ": " << a << " vs " << b;
                ASSERT_TRUE(sameBits(literal.candidate.bins, fast.candidate.bins, candidateBins));
            }
        }
    }
}

TEST(MeasuringExactness, ReferencesLearntAlikeFromEveryRectangle)
{
    std::mt19937 rng(8);
    for (int trial = 0; trial < 100; ++trial) {
        Mat plane = randomPlane(rng, 20, 24, CV_8UC1, trial % 2 == 0);
        const CvRect r = randomRect(rng, 20, 24);
        Target fast, literal;
        fast.initModels(179);
        literal.initModels(179);
        fast.setReference(r, plane.get());
        literal::measure(literal, r, plane.get());
        literal.reference.copyFrom(literal.candidate);
        ASSERT_TRUE(sameBits(literal.reference.bins, fast.reference.bins, 179)) << trial;
    }
}

// Many samples on few rectangles (the usual case after resampling), and a
// window larger than the memo, which is then measured sample by sample.
TEST(MeasuringExactness, MeasuringEachDistinctRectangleOnceChangesNoWeight)
{
    std::mt19937 rng(3);
    Mat plane = randomPlane(rng, 40, 40, CV_8UC1, true);
    for (int distinct : {1, 3, 40, 400}) {
        for (int windowSize : {400, 401}) {
            TestTracker k(400, 2, 7);
            Target* t = k.add();
            t->initModels(179);
            t->setReference(cvRect(5, 5, 12, 12), plane.get());
            std::vector<CvRect> rects;
            for (int i = 0; i < distinct; ++i)
                rects.push_back(randomRect(rng, 40, 40));
            std::uniform_int_distribution<int> pick(0, distinct - 1);
            for (int i = 0; i < windowSize; ++i)
                place(k.tracker.samples[i], rects[static_cast<size_t>(pick(rng))]);
            std::vector<Sample> before(k.tracker.samples, k.tracker.samples + windowSize);

            k.tracker.huePlane = plane.get();
            k.tracker.selectTarget(0, t);
            k.tracker.measureSamples(windowSize);
            const std::vector<Sample> fast(k.tracker.samples, k.tracker.samples + windowSize);
            const std::vector<float> fastCandidate(t->candidate.bins, t->candidate.bins + 179);

            std::copy(before.begin(), before.end(), k.tracker.samples);
            literal::measureSamples(k.tracker, windowSize);
            for (int i = 0; i < windowSize; ++i) {
                ASSERT_EQ(bitsOf(k.tracker.samples[i].weight), bitsOf(fast[i].weight)) << i;
                ASSERT_EQ(bitsOf(k.tracker.samples[i].likelihood), bitsOf(fast[i].likelihood)) << i;
            }
            // The candidate ends with the last sample's histogram either way.
            EXPECT_TRUE(sameBits(t->candidate.bins, fastCandidate.data(), 179));
        }
    }
}
