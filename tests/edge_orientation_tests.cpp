// The edge cue: the orientation of each pixel's gradient, the same with any
// number of threads, and a model that tells a striped object from a plain
// patch of the same colour only when the cue is on.

#include "appearance/colour_model.h"
#include "appearance/edge_orientation.h"
#include "support/worker_pool.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cstring>

TEST(EdgeOrientation, BinsFollowTheLinesDirectionWhateverItsSign)
{
    EXPECT_EQ(orientationBin(0, 0), kFlatBin);
    EXPECT_EQ(orientationBin(kEdgeStrength - 1, 0), kFlatBin);  // too weak for a direction
    EXPECT_EQ(orientationBin(kEdgeStrength, 0), 0);
    EXPECT_EQ(orientationBin(200, 0), 0);   // brightness rising to the right
    EXPECT_EQ(orientationBin(-200, 0), 0);  // falling: the same line
    EXPECT_EQ(orientationBin(0, 200), 4);   // rising downward: 90 degrees
    EXPECT_EQ(orientationBin(0, -200), 4);
    EXPECT_EQ(orientationBin(200, 201), 2);  // just past 45 degrees
    EXPECT_EQ(orientationBin(-200, -201), 2);
    EXPECT_EQ(orientationBin(-200, 201), 5);  // just short of 135 degrees
    EXPECT_EQ(orientationBin(200, -201), 5);
    EXPECT_EQ(orientationBin(-200, 10), 7);  // nearly 180 degrees
    for (int gx = -300; gx <= 300; gx += 7)
        for (int gy = -300; gy <= 300; gy += 11)
            ASSERT_LE(orientationBin(gx, gy), kFlatBin) << gx << "," << gy;
}

namespace {

// An HSV frame, all red at full saturation: a plain patch at brightness 200
// on the left half and, on the right, horizontal stripes of brightness 255
// and 120, four rows each.  The hue plane is red everywhere.
struct StripedFrame {
    CvMat* hsv = cvCreateMat(60, 120, CV_8UC3);
    CvMat* hue = cvCreateMat(60, 120, CV_8UC1);
    StripedFrame()
    {
        for (int r = 0; r < hsv->rows; ++r)
            for (int c = 0; c < hsv->cols; ++c) {
                uint8_t* p = hsv->data.ptr + r * hsv->step + 3 * c;
                p[0] = 0;
                p[1] = 255;
                p[2] = c < 60 ? 200 : ((r / 4) % 2 ? 120 : 255);
                hue->data.ptr[r * hue->step + c] = 0;
            }
    }
    ~StripedFrame()
    {
        cvReleaseMat(&hsv);
        cvReleaseMat(&hue);
    }
};

}  // namespace

TEST(EdgeOrientation, ThePlaneIsTheSameOnAnyNumberOfThreads)
{
    StripedFrame frame;
    EdgeOrientations one, three;
    one.compute(frame.hsv, nullptr);
    WorkerPool pool(3);
    pool.setMinBandPixels(1);  // bands however small the frame
    three.compute(frame.hsv, &pool);
    ASSERT_NE(one.plane(), nullptr);
    for (int r = 0; r < frame.hsv->rows; ++r)
        ASSERT_EQ(std::memcmp(one.plane()->data.ptr + r * one.plane()->step,
                              three.plane()->data.ptr + r * three.plane()->step, frame.hsv->cols),
                  0)
            << "row " << r;
    // Stripes: edges across them (90 degrees) on their borders, flat inside.
    EXPECT_EQ(one.plane()->data.ptr[4 * one.plane()->step + 90], 4);
    EXPECT_EQ(one.plane()->data.ptr[6 * one.plane()->step + 90], kFlatBin);
    EXPECT_EQ(one.plane()->data.ptr[30 * one.plane()->step + 20], kFlatBin);
}

TEST(EdgeOrientation, TheCueTellsAStripedObjectFromAPlainPatchOfItsColour)
{
    StripedFrame frame;
    const CvRect object = cvRect(70, 8, 32, 32), elsewhere = cvRect(74, 20, 32, 32), plain = cvRect(10, 8, 32, 32);
    for (double weight : {0.0, 1.0}) {
        ColourModelSettings settings;
        settings.kernel = true;  // a model, not the plain hue histograms
        settings.edgeWeight = weight;
        ColourModelSource source(settings);
        source.prepareFrame(frame.hsv, frame.hue);
        auto model = source.createModel();
        ASSERT_TRUE(model->learn(object));
        const float striped = model->measure(elsewhere), flat = model->measure(plain);
        if (weight == 0.0)
            EXPECT_EQ(striped, flat) << "colour alone cannot tell them apart";
        else
            EXPECT_GT(striped, 10 * flat) << "the edges should";
    }
}
