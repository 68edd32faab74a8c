#include <gtest/gtest.h>
#include <windows.h>

// Every text of the library is code page 932; a run under another ANSI code
// page would pass vacuously, so it must fail here.
TEST(Environment, AnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Environment, LiteralsAreCodePage932) {
    const unsigned char warning[] = "警告";
    ASSERT_EQ(sizeof(warning), 5u);
    EXPECT_EQ(warning[0], 0x8C);
    EXPECT_EQ(warning[1], 0x78);
    EXPECT_EQ(warning[2], 0x8D);
    EXPECT_EQ(warning[3], 0x90);
    const unsigned char halfWidth[] = "ﾌｨｯﾄ";
    EXPECT_EQ(sizeof(halfWidth), 5u);
}
