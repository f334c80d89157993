#pragma once

#include <opencv2/core/types_c.h>

#include <cfloat>
#include <cstdint>

// A pixel rectangle with inclusive right and bottom and its centre.
struct Region {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t area = 0;    // width * height
    int32_t right = 0;   // x + width - 1, the last column inside
    int32_t bottom = 0;  // y + height - 1, the last row inside
    float centerX = 0.0f;
    float centerY = 0.0f;

    // The region of a rectangle; the centres are formed in double and
    // stored as float.
    static Region fromRect(CvRect r);
};

// Number of pixels two regions have in common (inclusive right/bottom), 0
// when they are disjoint.
int overlapArea(const Region& a, const Region& b);

// A box of a target's base size scaled by (scaleX, scaleY) and centred on
// (posX, posY): its size, each side formed in double and stored as float,
// and its top-left pixel, pos - size / 2 rounded with halves to even.  The
// tracker's sample rectangles and the drawing both start from it.
struct CentredBox {
    float width;
    float height;
    int x0;
    int y0;
};
CentredBox centredBox(float posX, float posY, float scaleX, float scaleY, float baseWidth, float baseHeight);

// One hypothesis of a target: where its centre is, how fast it moves, how
// large it is, its image rectangle and its weights.  A flat record of 22
// four-byte fields, always copied whole.
struct Sample {
    float weight = 1.0f;
    float likelihood = 0.0f;
    Region region;
    CvRect rect{0, 0, 0, 0};
    float posX = 0.0f;
    float posY = 0.0f;
    float velX = FLT_EPSILON;
    float velY = FLT_EPSILON;
    float scaleX = 0.0f;
    float scaleY = 0.0f;
    float vote = 0.0f;

    // The sample's rectangle for a target of base size (baseWidth,
    // baseHeight), inside [minX, maxX) x [minY, maxY): centred on the
    // position (halves rounded to even), moved inside at the left and top
    // borders, cut at the right and bottom ones, at least 1 x 1.
    CvRect imageRect(int minX, int minY, int maxX, int maxY, float baseWidth, float baseHeight) const;
};

static_assert(sizeof(Region) == 36, "a region is nine four-byte fields");
static_assert(sizeof(Sample) == 88, "a sample is 22 four-byte fields");
