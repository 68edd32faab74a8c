#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "guarded_bytes.h"
#include "chip/chip_state.h"
#include "text/field_tokens.h"

namespace {
struct ScanCase {
    const char* name;
    std::string text;
    int32_t dateOffset;
    int32_t timeOffset;
};

const ScanCase kScanCases[] = {
    {"empty", "", -1, -1},
    {"capital date at start", "<DATE>", 0, -1},
    {"mixed case", "x<TiMe>", -1, 1},
    {"time then date", "ab<time>c<date>", 9, 2},
    {"angle before token", "<<date>", 1, -1},
    {"cut token at end", "abc<dat", -1, -1},
    {"five bytes left", "<date", -1, -1},
    {"second occurrence ignored", "<date>x<date><time><time>", 0, 13},
    {"double-byte text before", "\x93\xfa\x95\x74<time>", -1, 4},
    {"token with a byte changed", "<dote><tame>", -1, -1},
    {"full-width angle is no token", "\x81\x83" "date>", -1, -1},
    {"tokens back to back", "<date><time>", 0, 6},
};
}  // namespace

TEST(ScanFieldTokens, FindsFirstTokensInAnyCase) {
    for (const ScanCase& c : kScanCases) {
        SCOPED_TRACE(c.name);
        ChipState chip{};
        chip.dateOffset = 55;
        chip.timeOffset = 55;
        const int result = ScanFieldTokens(&chip, c.text.c_str());
        EXPECT_EQ(chip.dateOffset, c.dateOffset);
        EXPECT_EQ(chip.timeOffset, c.timeOffset);
        EXPECT_EQ(result, c.timeOffset != -1 ? 1 : 0);
    }
}

TEST(ScanFieldTokens, NeverReadsPastAShortText) {
    // The text sits at the very end of a committed page: a read past its
    // terminator would fault.
    const GuardedBytes text(std::string("<da"));
    ChipState chip{};
    EXPECT_EQ(ScanFieldTokens(&chip, text.text()), 0);
    EXPECT_EQ(chip.dateOffset, -1);
}

TEST(CopyBoundedText, StopsAtTheBufferEvenWithoutTerminator) {
    char source[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    char dest[5];
    CopyBoundedText(dest, source, sizeof(dest));
    EXPECT_STREQ(dest, "abcd");
    CopyBoundedText(dest, "xy", sizeof(dest));
    EXPECT_STREQ(dest, "xy");
}
