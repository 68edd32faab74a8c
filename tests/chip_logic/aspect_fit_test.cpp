#include <gtest/gtest.h>
#include "chip/placement.h"

TEST(CalcAspectFitSize, RoundsUpAfterOneTruncation) {
    struct Case { int pw, ph, cw, ch, w, h; };
    const Case cases[] = {
        {640, 480, 320, 320, 320, 240},
        {300, 200, 100, 100, 100, 67},
        {160, 90, 200, 200, 200, 113},
        {3, 1, 100, 100, 100, 34},
        {100, 100, 100, 100, 100, 100},
        {1, 1, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t w = -1, h = -1;
        CalcAspectFitSize(c.pw, c.ph, c.cw, c.ch, &w, &h);
        EXPECT_EQ(w, c.w) << c.pw << "x" << c.ph << " in " << c.cw << "x" << c.ch;
        EXPECT_EQ(h, c.h) << c.pw << "x" << c.ph << " in " << c.cw << "x" << c.ch;
    }
}

TEST(CalcAspectFitSize, LargeClientsDoNotOverflow) {
    int32_t w = 0, h = 0;
    CalcAspectFitSize(1000, 500, 4000, 4000, &w, &h);
    EXPECT_EQ(w, 4000);
    EXPECT_EQ(h, 2000);
    CalcAspectFitSize(1, 1, 30000, 20000, &w, &h);
    EXPECT_EQ(w, 20000);
    EXPECT_EQ(h, 20000);
}

TEST(CalcAspectFitSize, EmptyPictureNeverDivides) {
    int32_t w = -1, h = -1;
    CalcAspectFitSize(0, 10, 100, 100, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    CalcAspectFitSize(10, -3, 100, 100, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}
