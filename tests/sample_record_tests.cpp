#include "core/sample.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <type_traits>

TEST(SampleRecord, RegionFromRect)
{
    const Region g = Region::fromRect(cvRect(136, 261, 18, 18));
    EXPECT_EQ(g.x, 136);
    EXPECT_EQ(g.y, 261);
    EXPECT_EQ(g.width, 18);
    EXPECT_EQ(g.height, 18);
    EXPECT_EQ(g.area, 324);
    EXPECT_EQ(g.right, 153);
    EXPECT_EQ(g.bottom, 278);
    EXPECT_EQ(g.centerX, 144.5f);
    EXPECT_EQ(g.centerY, 269.5f);

    const Region p = Region::fromRect(cvRect(5, 7, 1, 1));
    EXPECT_EQ(p.area, 1);
    EXPECT_EQ(p.right, 5);
    EXPECT_EQ(p.bottom, 7);
    EXPECT_EQ(p.centerX, 5.0f);
    EXPECT_EQ(p.centerY, 7.0f);

    // Rectangles left of or above the origin keep their halves.
    const Region neg = Region::fromRect(cvRect(-3, -3, 2, 4));
    EXPECT_EQ(neg.centerX, -2.5f);
    EXPECT_EQ(neg.centerY, -1.5f);
    EXPECT_EQ(neg.right, -2);
    EXPECT_EQ(neg.bottom, 0);
}

TEST(SampleRecord, DefaultSample)
{
    static_assert(std::is_trivially_copyable<Sample>::value, "samples are copied as flat records");
    const Sample s;
    EXPECT_EQ(s.weight, 1.0f);
    EXPECT_EQ(s.likelihood, 0.0f);
    for (int32_t v : {s.region.x, s.region.y, s.region.width, s.region.height, s.region.area, s.region.right,
                      s.region.bottom})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(s.region.centerX, 0.0f);
    EXPECT_EQ(s.region.centerY, 0.0f);
    EXPECT_EQ(s.posX, 0.0f);
    EXPECT_EQ(s.posY, 0.0f);
    EXPECT_EQ(s.velX, FLT_EPSILON);
    EXPECT_EQ(s.velY, 0x1p-23f);
    EXPECT_EQ(s.scaleX, 0.0f);
    EXPECT_EQ(s.scaleY, 0.0f);
    EXPECT_EQ(s.vote, 0.0f);
}
