// The colour models for real video: hue-saturation-brightness bins, banded
// and centre-weighted histograms, their likelihood, the reference update
// and the tracker's use of a model through its appearance seam.

#include "appearance/colour_model.h"
#include "appearance/reference_adaptation.h"
#include "core/tavo.h"
#include "same_bits.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

// An owned 8-bit matrix of `channels` channels, zeroed.
struct Plane {
    CvMat* mat;
    Plane(int rows, int cols, int type = CV_8UC1) : mat(cvCreateMat(rows, cols, type)) { cvSetZero(mat); }
    ~Plane() { cvReleaseMat(&mat); }
    uint8_t* at(int r, int c) { return mat->data.ptr + r * mat->step + c * CV_MAT_CN(mat->type); }
    void fill(CvRect r, int value)
    {
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                *at(y, x) = static_cast<uint8_t>(value);
    }
};

double sum(const double* p, int n) { return std::accumulate(p, p + n, 0.0); }

}  // namespace

TEST(ColourBins, ThresholdsSplitColouredFromGreyPixels)
{
    const ColourBinning b;  // 10 x 10 + 10 bins, thresholds 26 and 51
    const int grey = b.hueBins * b.saturationBins;
    // Exactly at both thresholds: coloured, in the lowest saturation bin.
    EXPECT_EQ(colourBin(0, b.minSaturation, b.minValue, b), 0);
    EXPECT_EQ(colourBin(179, 255, 255, b), b.hueBins * b.saturationBins - 1);
    EXPECT_EQ(colourBin(90, 255, 255, b), 5 * b.saturationBins + 9);
    // One below either threshold: a brightness bin, whatever the hue.
    EXPECT_EQ(colourBin(90, b.minSaturation - 1, 200, b), grey + 200 * 10 / 256);
    EXPECT_EQ(colourBin(90, 255, b.minValue - 1, b), grey + (b.minValue - 1) * 10 / 256);
    // Black and white differ, and hue noise does not move them.
    EXPECT_EQ(colourBin(0, 0, 0, b), grey);
    EXPECT_EQ(colourBin(177, 3, 0, b), grey);
    EXPECT_EQ(colourBin(0, 0, 255, b), grey + 9);
    EXPECT_EQ(colourBin(123, 10, 255, b), grey + 9);

    EXPECT_TRUE(validBinning(b));
    ColourBinning tooMany = b;
    tooMany.hueBins = 16;
    tooMany.saturationBins = 16;  // 256 + 10 bins do not fit a byte
    EXPECT_FALSE(validBinning(tooMany));
    ColourBinning none = b;
    none.valueBins = 0;
    EXPECT_FALSE(validBinning(none));
}

TEST(ColourBins, ThePlaneHoldsEveryPixelsBin)
{
    ColourBinning b;
    b.hueBins = 6;
    b.saturationBins = 4;
    b.valueBins = 5;
    b.minSaturation = 40;
    b.minValue = 30;
    Plane hsv(13, 17, CV_8UC3), bins(13, 17);
    CvRNG rng = cvRNG(7);
    cvRandArr(&rng, hsv.mat, CV_RAND_UNI, cvScalarAll(0), cvScalar(180, 256, 256));
    ColourBinner(b).binPlane(hsv.mat, bins.mat);
    for (int r = 0; r < 13; ++r)
        for (int c = 0; c < 17; ++c) {
            const uint8_t* p = hsv.at(r, c);
            ASSERT_EQ(*bins.at(r, c), colourBin(p[0], p[1], p[2], b)) << r << "," << c;
        }
}

TEST(BandedHistogram, CountsNormaliseAndSkipValuesBeyondTheBins)
{
    Plane plane(10, 10);
    plane.fill(cvRect(0, 0, 10, 10), 3);
    plane.fill(cvRect(0, 0, 10, 2), 7);
    plane.fill(cvRect(0, 9, 10, 1), 200);  // not a bin: not counted
    HistogramLayout layout{8, 1, false};
    std::vector<double> h(layout.size());
    bandedHistogram(plane.mat, cvRect(0, 0, 10, 10), layout, h.data());
    EXPECT_DOUBLE_EQ(h[7], 20.0 / 90.0);
    EXPECT_DOUBLE_EQ(h[3], 70.0 / 90.0);
    EXPECT_DOUBLE_EQ(sum(h.data(), 8), 1.0);

    // A rectangle reaching past the plane is cut; one wholly of uncounted
    // values gives an empty histogram.
    bandedHistogram(plane.mat, cvRect(5, 8, 10, 10), layout, h.data());
    EXPECT_DOUBLE_EQ(h[3], 1.0);
    bandedHistogram(plane.mat, cvRect(0, 9, 10, 1), layout, h.data());
    EXPECT_EQ(sum(h.data(), 8), 0.0);
}

TEST(BandedHistogram, KernelWeighsTheCentreAndSumsToOne)
{
    const CvRect r = cvRect(4, 6, 9, 7);
    EXPECT_DOUBLE_EQ(kernelWeight(r, 8, 9), 1.0);   // the centre pixel
    EXPECT_DOUBLE_EQ(kernelWeight(r, 4, 6), 0.0);   // a corner
    EXPECT_GT(kernelWeight(r, 8, 7), kernelWeight(r, 8, 6));
    for (int w : {1, 2, 9})
        EXPECT_GT(kernelWeight(cvRect(0, 0, w, 1), 0, 0), 0.0) << "a thin box keeps its pixels";

    Plane plane(20, 20);
    CvRNG rng = cvRNG(3);
    cvRandArr(&rng, plane.mat, CV_RAND_UNI, cvScalarAll(0), cvScalarAll(12));
    for (int bands : {1, 2}) {
        HistogramLayout layout{12, bands, true};
        std::vector<double> h(layout.size());
        bandedHistogram(plane.mat, r, layout, h.data());
        for (int b = 0; b < bands; ++b)
            EXPECT_NEAR(sum(h.data() + 12 * b, 12), 1.0, 1e-12) << bands;
    }
    // The centre's colour outweighs a frame of another colour of twice its
    // pixel count once the kernel is on.
    Plane ring(9, 9);
    ring.fill(cvRect(0, 0, 9, 9), 1);
    ring.fill(cvRect(2, 2, 5, 5), 2);
    HistogramLayout plain{4, 1, false}, kernel{4, 1, true};
    std::vector<double> p(4), k(4);
    bandedHistogram(ring.mat, cvRect(0, 0, 9, 9), plain, p.data());
    bandedHistogram(ring.mat, cvRect(0, 0, 9, 9), kernel, k.data());
    EXPECT_LT(p[2], p[1]);
    EXPECT_GT(k[2], k[1]);
}

TEST(BandedHistogram, BinMasksGiveTheDenseSumsBitForBit)
{
    // Bins up to 255 (the last mask word), kernel or not, one or two bands,
    // rectangles inside and across the plane's edge, rings around them.
    Plane plane(48, 64);
    CvRNG rng = cvRNG(11);
    cvRandArr(&rng, plane.mat, CV_RAND_UNI, cvScalarAll(0), cvScalarAll(256));
    plane.fill(cvRect(30, 10, 12, 20), 254);
    for (const int bins : {20, 110, 255})
        for (const HistogramLayout layout : {HistogramLayout{bins, 1, false}, HistogramLayout{bins, 2, true}})
            for (const CvRect r : {cvRect(3, 4, 25, 30), cvRect(28, 8, 16, 24), cvRect(-6, 40, 30, 20)}) {
                SCOPED_TRACE(testing::Message() << bins << " bins, " << layout.bands << " bands, x " << r.x);
                std::vector<double> reference(layout.size()), candidate(layout.size()), ring(bins);
                bandedHistogram(plane.mat, cvRect(20, 5, 30, 30), layout, reference.data(), 1 << 30);
                BinMask occupied[2], ringOccupied;
                bandedHistogram(plane.mat, r, layout, candidate.data(), kProbesPerSide, occupied);
                for (int b = 0; b < layout.bands; ++b) {
                    const double* q = candidate.data() + b * bins;
                    const double* p = reference.data() + b * bins;
                    std::vector<bool> marked(bins, false);
                    occupied[b].forEach([&](int i) { marked.at(static_cast<size_t>(i)) = true; });
                    for (int i = 0; i < bins; ++i)
                        ASSERT_TRUE(marked[i] || q[i] == 0.0) << "bin " << i << " holds " << q[i] << " unmarked";
                    EXPECT_EQ(bitsOf(bhattacharyya(p, q, bins)), bitsOf(bhattacharyya(p, q, occupied[b])));
                }
                EXPECT_EQ(bitsOf(bandedLikelihood(reference.data(), candidate.data(), layout, 4.0)),
                          bitsOf(bandedLikelihood(reference.data(), candidate.data(), occupied, layout, 4.0)));
                ringHistogram(plane.mat, r, 5, bins, ring.data(), &ringOccupied);
                EXPECT_EQ(bitsOf(bhattacharyya(reference.data(), ring.data(), bins)),
                          bitsOf(bhattacharyya(reference.data(), ring.data(), ringOccupied)));
            }
}

TEST(BandedHistogram, TwoBandsSplitAnOddHeightUpperShorter)
{
    int first, end;
    bandRows(7, 2, 0, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 3);
    bandRows(7, 2, 1, first, end);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(end, 7);
    bandRows(1, 2, 0, first, end);  // one row serves both bands
    EXPECT_EQ(end - first, 1);

    Plane plane(7, 4);
    plane.fill(cvRect(0, 0, 4, 3), 1);  // dark jacket ...
    plane.fill(cvRect(0, 3, 4, 4), 2);  // ... over blue trousers
    HistogramLayout layout{3, 2, false};
    std::vector<double> h(layout.size());
    bandedHistogram(plane.mat, cvRect(0, 0, 4, 7), layout, h.data());
    EXPECT_EQ(h, (std::vector<double>{0, 1, 0, 0, 0, 1}));

    // The same colours the other way round match one band only, where a
    // single histogram would see no difference.
    Plane swapped(7, 4);
    swapped.fill(cvRect(0, 0, 4, 3), 2);
    swapped.fill(cvRect(0, 3, 4, 4), 1);
    std::vector<double> g(layout.size());
    bandedHistogram(swapped.mat, cvRect(0, 0, 4, 7), layout, g.data());
    EXPECT_DOUBLE_EQ(bandedLikelihood(h.data(), h.data(), layout, 20.0), 1.0);
    EXPECT_DOUBLE_EQ(bandedLikelihood(h.data(), g.data(), layout, 20.0), std::exp(-40.0));
}

TEST(BandedColourModel, LearnsMeasuresAndUpdatesTowardTheCandidate)
{
    Plane plane(20, 20);
    plane.fill(cvRect(0, 0, 10, 20), 1);
    plane.fill(cvRect(10, 0, 10, 20), 2);
    const CvMat* current = plane.mat;
    BandedColourModel model(&current, HistogramLayout{4, 1, false}, 10.0);
    ASSERT_TRUE(model.learn(cvRect(0, 0, 10, 10)));
    EXPECT_FLOAT_EQ(model.measure(cvRect(0, 5, 10, 10)), 1.0f);
    EXPECT_FLOAT_EQ(model.measure(cvRect(10, 0, 10, 10)), static_cast<float>(std::exp(-10.0)));
    EXPECT_DOUBLE_EQ(model.similarity(cvRect(5, 0, 10, 10)), std::sqrt(0.5));

    model.update(cvRect(10, 0, 10, 10), 0.25);
    EXPECT_EQ(model.reference(), (std::vector<double>{0, 0.75, 0.25, 0}));
    // A rectangle without counted pixels teaches nothing.
    plane.fill(cvRect(0, 0, 2, 2), 9);
    model.update(cvRect(0, 0, 2, 2), 0.5);
    EXPECT_EQ(model.reference(), (std::vector<double>{0, 0.75, 0.25, 0}));
    EXPECT_FALSE(model.learn(cvRect(0, 0, 2, 2)));
}

// With parts by shape, an upright first box gets two bands and any other
// one, with the foreground cue weighing kOneBandForegroundGain times as much.
TEST(BandedColourModel, PartsByShapeSplitUprightBoxesAndWeighTheForegroundOfOthersMore)
{
    Plane plane(40, 40);
    plane.fill(cvRect(0, 0, 40, 20), 1);
    plane.fill(cvRect(0, 20, 40, 20), 2);
    const CvMat* current = plane.mat;
    // A still frame, all learnt: no box holds foreground.
    Plane frame(40, 40, CV_8UC3);
    BackgroundModel background;
    background.prepare(frame.mat, {});
    background.prepare(frame.mat, {});
    const double weight = 0.25, sharpness = 10.0;
    BandedColourModel model(&current, HistogramLayout{4, kPartsByShape, false}, sharpness, 0.0, 0.25, &background,
                            weight);

    const CvRect upright = cvRect(5, 10, 10, 15);  // 1.5 times as tall as wide
    ASSERT_TRUE(model.learn(upright));
    EXPECT_EQ(model.bands(), 2);
    EXPECT_FLOAT_EQ(model.measure(upright), static_cast<float>(std::exp(-sharpness * weight)));
    // Shifted down by a quarter of its height, the upper band holds half
    // of each colour: two bands see it, one would not.
    EXPECT_LT(model.similarity(cvRect(5, 14, 10, 15)), 0.95);

    const CvRect wide = cvRect(5, 10, 10, 14);
    ASSERT_TRUE(model.learn(wide));
    EXPECT_EQ(model.bands(), 1);
    EXPECT_FLOAT_EQ(model.measure(wide),
                    static_cast<float>(std::exp(-sharpness * kOneBandForegroundGain * weight)));
}

namespace {

// A model that remembers what the tracker asked of it.
bool sameRect(const CvRect& a, const CvRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

struct RecordingModel : AppearanceModel {
    std::vector<CvRect>* measured;
    explicit RecordingModel(std::vector<CvRect>* m) : measured(m) {}
    bool learn(CvRect) override { return true; }
    float measure(CvRect r) override
    {
        measured->push_back(r);
        return 0.5f;
    }
    double similarity(CvRect) override { return 1.0; }
    void update(CvRect, double) override {}
};

struct RecordingSource : AppearanceSource {
    std::vector<CvRect> measured;
    int created = 0;
    // What willMeasure was told, and how many rectangles had been measured then.
    std::vector<CvRect> bounds;
    std::vector<size_t> measuredBefore;
    std::unique_ptr<AppearanceModel> createModel() override
    {
        ++created;
        return std::make_unique<RecordingModel>(&measured);
    }
    void willMeasure(CvRect b, int) override
    {
        bounds.push_back(b);
        measuredBefore.push_back(measured.size());
    }
};

}  // namespace

// Samples on one rectangle share its measurement: every distinct
// rectangle is measured once, in the samples' order, and the last sample's
// again when an earlier sample shared it (the model then ends on it).
TEST(AppearanceSeam, TheTrackerMeasuresEverySampleThroughTheTargetsModel)
{
    Plane plane(60, 60);
    CountingTickSource ticks(1);
    RecordingSource source;
    tavo tracker(ticks);
    tracker.appearance = &source;
    tracker.huePlane = plane.mat;
    ASSERT_EQ(tracker.init(plane.mat, 20), 1);
    ASSERT_EQ(tracker.addTarget(plane.mat, 10, 10, 8, 8), 1);
    EXPECT_EQ(source.created, 1);
    EXPECT_EQ(tracker.targets[0]->reference.binCount, 0) << "no hue histograms beside the model";
    source.measured.clear();
    tracker.track();
    std::vector<CvRect> distinct;
    for (int i = 0; i < 20; ++i) {
        const CvRect r = tracker.samples[i].rect;
        if (std::none_of(distinct.begin(), distinct.end(), [&](const CvRect& d) { return sameRect(d, r); }))
            distinct.push_back(r);
    }
    const CvRect last = tracker.samples[19].rect;
    if (std::any_of(tracker.samples, tracker.samples + 19, [&](const Sample& s) { return sameRect(s.rect, last); }))
        distinct.push_back(last);
    ASSERT_EQ(source.measured.size(), distinct.size());
    for (size_t i = 0; i < distinct.size(); ++i)
        EXPECT_TRUE(sameRect(distinct[i], source.measured[i])) << i;
    const Sample& s = tracker.samples[0];
    EXPECT_EQ(s.likelihood, static_cast<float>(0.5 + FLT_EPSILON));
    // The source was told once, before any measuring, where they all lie.
    ASSERT_EQ(source.bounds.size(), 1u);
    EXPECT_EQ(source.measuredBefore[0], 0u);
    const CvRect b = source.bounds[0];
    for (const CvRect& r : source.measured)
        EXPECT_TRUE(r.x >= b.x && r.y >= b.y && r.x + r.width <= b.x + b.width && r.y + r.height <= b.y + b.height);
}

// Colours prepared near the targets alone are, wherever they are read,
// those of the whole frame's: the area itself, a rectangle added later
// and the samples' bounds with their rings, under a change of light.
TEST(ColourModelSource, ColoursPreparedNearTheTargetsAreTheWholeFramesWhereTheyAreRead)
{
    ColourModelSettings settings;
    settings.space = ColourSpace::Hsv;
    settings.normaliseLight = true;
    settings.foregroundWeight = 0.25;
    settings.background.nearTargets = true;
    ColourModelSource whole(settings), near(settings);
    ASSERT_TRUE(near.convertsNearTargets());
    cv::Mat frame(90, 130, CV_8UC3);
    cv::RNG rng(5);
    for (const int brightness : {200, 150}) {  // the light dims on the second frame
        rng.fill(frame, cv::RNG::UNIFORM, 0, brightness);
        cv::Mat hsv, nearHsv(frame.size(), CV_8UC3, cv::Scalar::all(7));
        cv::cvtColor(frame, hsv, cv::COLOR_BGR2HSV);
        CvMat frameHeader = cvMat(frame), hsvHeader = cvMat(hsv), nearHeader = cvMat(nearHsv);
        whole.prepareFrame(&hsvHeader, nullptr);
        near.prepareFrameNear(&frameHeader, &nearHeader, cvRect(10, 20, 40, 30));
        near.ensureConverted(cvRect(40, 5, 50, 30));        // overlaps the area
        near.willMeasure(cvRect(100, 60, 20, 25), 20);     // its rings reach out of the frame
        const cv::Mat wholeBins = cv::cvarrToMat(whole.binPlane()), nearBins = cv::cvarrToMat(near.binPlane());
        for (const cv::Rect r : {cv::Rect(10, 20, 40, 30), cv::Rect(40, 5, 50, 30), cv::Rect(94, 54, 32, 36)})
            EXPECT_EQ(cv::countNonZero(wholeBins(r) != nearBins(r)), 0) << r << ", brightness " << brightness;
        EXPECT_EQ(nearHsv.at<cv::Vec3b>(85, 5), cv::Vec3b(7, 7, 7)) << "not converted where nothing reads";
    }
}

TEST(ReferenceAdaptation, OnlyConfidentTargetsWithoutOverlapAdapt)
{
    Plane plane(40, 80);
    plane.fill(cvRect(0, 0, 80, 40), 1);
    ColourModelSettings settings;
    settings.kernel = true;  // not the plain hue histograms: models are used
    ColourModelSource source(settings);
    source.prepareFrame(nullptr, plane.mat);
    CountingTickSource ticks(1);
    tavo tracker(ticks);
    tracker.appearance = &source;
    tracker.huePlane = plane.mat;
    ASSERT_EQ(tracker.init(plane.mat, 10), 1);
    for (int x : {2, 12, 50})
        ASSERT_EQ(tracker.addTarget(plane.mat, x, 10, 12, 12), 1);
    tracker.draw(nullptr);

    AdaptationSettings off;
    EXPECT_EQ(adaptReferences(tracker, off), 0);
    AdaptationSettings on{0.5, 0.8};
    // Targets 1 and 2 overlap each other; target 3 is alone and matches.
    EXPECT_EQ(adaptReferences(tracker, on), 1);
    on.minSimilarity = 1.5;  // no match is that good
    EXPECT_EQ(adaptReferences(tracker, on), 0);
}

TEST(BandedHistogram, ALargeBoxIsReadThroughABoundedGridAndASmallOneWhole)
{
    // Each pixel's value is its column: the bins a histogram fills are the
    // columns it read.
    Plane plane(240, 250);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 250; ++c)
            *plane.at(r, c) = static_cast<uint8_t>(c);
    const HistogramLayout layout{250, 1, false};
    std::vector<double> h(250);
    const auto columnsRead = [&] { return std::count_if(h.begin(), h.end(), [](double v) { return v > 0; }); };

    bandedHistogram(plane.mat, cvRect(10, 10, 200, 200), layout, h.data());
    EXPECT_EQ(columnsRead(), kProbesPerSide) << "one column per cell of the grid";
    EXPECT_GT(h[15], 0.0) << "the middle of the first cell of 10 columns";
    EXPECT_EQ(h[10], 0.0);
    EXPECT_NEAR(sum(h.data(), 250), 1.0, 1e-12);

    bandedHistogram(plane.mat, cvRect(10, 10, 200, 200), layout, h.data(), 1000);
    EXPECT_EQ(columnsRead(), 200) << "every pixel when asked";

    bandedHistogram(plane.mat, cvRect(-5, 10, kProbesPerSide, 30), layout, h.data());
    EXPECT_EQ(columnsRead(), kProbesPerSide - 5) << "a box as narrow as the grid is read whole, cut to the plane";
}

TEST(BandedHistogram, SameBitsAsTheLiteralHistogram)
{
    // Rectangles inside, across each edge, wholly outside, one pixel thin,
    // and larger than the probe grid; read through probes and pixel by
    // pixel, kernel or not, one or two bands, bins the plane overfills.
    Plane plane(53, 71);
    CvRNG rng = cvRNG(29);
    cvRandArr(&rng, plane.mat, CV_RAND_UNI, cvScalarAll(0), cvScalarAll(256));
    const CvRect rects[] = {cvRect(3, 4, 25, 30),  cvRect(-7, 10, 20, 21), cvRect(60, 40, 30, 29),
                            cvRect(5, -9, 13, 17), cvRect(80, 60, 9, 9),   cvRect(10, 20, 1, 31),
                            cvRect(10, 20, 33, 1), cvRect(-5, -5, 90, 70)};
    for (const int bins : {20, 110, 255})
        for (const bool kernel : {false, true})
            for (const int bands : {1, 2})
                for (const int probes : {kProbesPerSide, 1 << 30})
                    for (const CvRect r : rects) {
                        SCOPED_TRACE(testing::Message() << bins << " bins, kernel " << kernel << ", " << bands
                                                        << " bands, " << probes << " probes, rect " << r.x << ","
                                                        << r.y << " " << r.width << "x" << r.height);
                        const HistogramLayout layout{bins, bands, kernel};
                        std::vector<double> fast(layout.size(), -1.0), literal(layout.size(), -2.0);
                        BinMask fastBins[2], literalBins[2];
                        bandedHistogram(plane.mat, r, layout, fast.data(), probes, fastBins);
                        literal::bandedHistogram(plane.mat, r, layout, literal.data(), probes, literalBins);
                        for (int i = 0; i < layout.size(); ++i)
                            ASSERT_EQ(bitsOf(fast[i]), bitsOf(literal[i])) << "bin " << i;
                        for (int b = 0; b < bands; ++b)
                            for (int w = 0; w < 4; ++w)
                                EXPECT_EQ(fastBins[b].words[w], literalBins[b].words[w]);
                    }
}
