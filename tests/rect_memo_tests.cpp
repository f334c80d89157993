// The rectangle memo: one slot per distinct rectangle and round, nothing
// beyond its capacity, and every round starting empty.

#include "core/rect_memo.h"

#include <gtest/gtest.h>

TEST(RectMemo, OneSlotPerDistinctRectangleInARound)
{
    RectMemo memo;
    ASSERT_TRUE(memo.reserve(3));
    memo.startRound();
    bool isNew = false;
    float* a = memo.find(cvRect(1, 2, 3, 4), isNew);
    ASSERT_NE(nullptr, a);
    EXPECT_TRUE(isNew);
    *a = 0.5f;
    // Rectangles differing in one field only are different.
    for (CvRect other : {cvRect(2, 2, 3, 4), cvRect(1, 3, 3, 4)}) {
        float* b = memo.find(other, isNew);
        ASSERT_NE(nullptr, b);
        EXPECT_TRUE(isNew);
        EXPECT_NE(a, b);
    }
    EXPECT_EQ(a, memo.find(cvRect(1, 2, 3, 4), isNew));
    EXPECT_FALSE(isNew);
    EXPECT_EQ(0.5f, *a);
    // Full: a fourth rectangle gets no slot, known ones still do.
    EXPECT_EQ(nullptr, memo.find(cvRect(1, 2, 3, 5), isNew));
    EXPECT_FALSE(isNew);
    EXPECT_EQ(a, memo.find(cvRect(1, 2, 3, 4), isNew));

    memo.startRound();
    EXPECT_NE(nullptr, memo.find(cvRect(1, 2, 3, 4), isNew));
    EXPECT_TRUE(isNew);
}

TEST(RectMemo, WithoutRoomNothingIsRemembered)
{
    RectMemo memo;
    EXPECT_EQ(0, memo.capacity());
    memo.startRound();
    bool isNew = true;
    EXPECT_EQ(nullptr, memo.find(cvRect(0, 0, 1, 1), isNew));
    EXPECT_FALSE(isNew);
}

TEST(RectMemo, ManyRoundsOfManyRectangles)
{
    RectMemo memo;
    ASSERT_TRUE(memo.reserve(500));
    for (int round = 0; round < 50; ++round) {
        memo.startRound();
        for (int i = 0; i < 500; ++i) {
            bool isNew = false;
            float* v = memo.find(cvRect(i % 37, i / 37 + round, 18, 18), isNew);
            ASSERT_NE(nullptr, v);
            ASSERT_TRUE(isNew) << round << " " << i;
            *v = static_cast<float>(i);
        }
        for (int i = 0; i < 500; ++i) {
            bool isNew = true;
            ASSERT_EQ(static_cast<float>(i), *memo.find(cvRect(i % 37, i / 37 + round, 18, 18), isNew));
            ASSERT_FALSE(isNew);
        }
    }
}
