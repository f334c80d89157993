// Outlines through a canvas resolved once give the literal outlines' pixels:
// rectangles inside, touching and crossing every edge, corners in either
// order, colours with zero bytes.

#include "literal/literal_cycle.h"
#include "rendering/outline_rect.h"

#include <opencv2/core/core_c.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

bool sameImage(const CvMat* a, const CvMat* b)
{
    for (int r = 0; r < a->rows; ++r)
        if (std::memcmp(a->data.ptr + r * a->step, b->data.ptr + r * b->step, static_cast<size_t>(a->cols) * 3) != 0)
            return false;
    return true;
}

}  // namespace

TEST(OutlineExactness, CanvasOutlinesMatchTheLiteralOnes)
{
    std::mt19937 rng(21);
    const int rows = 37, cols = 53;
    CvMat* fast = cvCreateMat(rows, cols, CV_8UC3);
    CvMat* literal = cvCreateMat(rows, cols, CV_8UC3);
    const CvScalar colours[] = {cvScalar(0, 0, 255, 0), cvScalar(10, 0, 7, 0), cvScalar(255, 255, 255, 0),
                                cvScalar(0, 0, 0, 0)};
    std::uniform_int_distribution<int> x(-5, cols + 5), y(-5, rows + 5), pick(0, 3);
    for (int trial = 0; trial < 400; ++trial) {
        cvSet(fast, cvScalarAll(trial % 200), nullptr);
        cvCopy(fast, literal, nullptr);
        const CvScalar colour = colours[pick(rng)];
        OutlineCanvas canvas(fast, colour);
        ASSERT_TRUE(canvas.usable());
        for (int k = 0; k < 5; ++k) {
            const int x0 = x(rng), y0 = y(rng), x1 = x(rng), y1 = y(rng);
            canvas.outline(x0, y0, x1, y1);
            literal::outlineRect(literal, x0, y0, x1, y1, colour);
        }
        // Degenerate outlines: a point, a row, a column, the whole image.
        const int degenerate[4][4] = {{4, 4, 4, 4}, {0, 3, cols - 1, 3}, {5, 0, 5, rows - 1}, {0, 0, cols - 1, rows - 1}};
        for (const int* c : degenerate) {
            canvas.outline(c[0], c[1], c[2], c[3]);
            literal::outlineRect(literal, c[0], c[1], c[2], c[3], colour);
        }
        ASSERT_TRUE(sameImage(literal, fast)) << "trial " << trial;
    }
    cvReleaseMat(&fast);
    cvReleaseMat(&literal);
}

TEST(OutlineExactness, OtherImagesAreNotDrawnInto)
{
    CvMat* grey = cvCreateMat(8, 8, CV_8UC1);
    cvSet(grey, cvScalarAll(3), nullptr);
    const OutlineCanvas onGrey(grey, cvScalar(0, 0, 255, 0));
    EXPECT_FALSE(onGrey.usable());
    onGrey.outline(0, 0, 7, 7);
    EXPECT_EQ(3 * 64, cvSum(grey).val[0]);
    EXPECT_FALSE(OutlineCanvas(nullptr, cvScalar(0, 0, 255, 0)).usable());
    cvReleaseMat(&grey);
}
