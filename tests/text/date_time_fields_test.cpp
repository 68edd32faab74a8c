// Every date and time row at fixed times, byte for byte in code page 932.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "test_clock.h"
#include "text/date_time_fields.h"

namespace {

std::string Take(char* text) {
    EXPECT_NE(text, nullptr);
    std::string s = text ? text : "";
    std::free(text);
    return s;
}

std::string Date(int row, const SYSTEMTIME& t) { return Take(FormatDateText(row, t)); }
std::string Time(int row, const SYSTEMTIME& t, int32_t* seconds = nullptr) {
    int32_t shows = -1;
    std::string s = Take(FormatTimeText(row, t, &shows));
    if (seconds) *seconds = shows;
    return s;
}

const SYSTEMTIME kJune5 = MakeInstant(1998, 6, 5, 22, 5, 8);  // a Friday
const SYSTEMTIME kDec31 = MakeInstant(1998, 12, 31);  // a Thursday
const SYSTEMTIME kJan10 = MakeInstant(2000, 1, 10);  // a Monday

struct DateRow { int row; SYSTEMTIME when; const char* expected; size_t length; };
const DateRow kDateRows[] = {
    {0, kJune5, "1998/ 6/ 5", 10},
    {1, kJune5, "1998/ 6/ 5(Fri)", 15},
    {2, kJune5, "1998\x94\x4e 6\x8c\x8e 5\x93\xfa", 14},
    {3, kJune5, "1998\x94\x4e 6\x8c\x8e 5\x93\xfa(\x8b\xe0\x97\x6a\x93\xfa)", 22},
    {4, kJune5, "6/ 5", 4},
    {5, kJune5, "6/ 5(Fri)", 9},
    {6, kJune5, "6\x8c\x8e 5\x93\xfa", 7},
    {7, kJune5, "6\x8c\x8e 5\x93\xfa(\x8b\xe0\x97\x6a\x93\xfa)", 15},
    {3, kDec31, "1998\x94\x4e" "12\x8c\x8e" "31\x93\xfa(\x96\xd8\x97\x6a\x93\xfa)", 22},
    {4, kDec31, "12/31", 5},
    {0, kJan10, "2000/ 1/10", 10},
    {4, kJan10, "1/10", 4},
    {1, kJan10, "2000/ 1/10(Mon)", 15},
    {7, kJan10, "1\x8c\x8e" "10\x93\xfa(\x8c\x8e\x97\x6a\x93\xfa)", 15},
};

struct TimeRow { int row; SYSTEMTIME when; const char* expected; int32_t seconds; };
const SYSTEMTIME k2205 = MakeInstant(1998, 6, 5, 22, 5, 8);
const SYSTEMTIME k0905 = MakeInstant(1998, 6, 5, 9, 5, 8);
const SYSTEMTIME k0005 = MakeInstant(1998, 6, 5, 0, 5, 8);
const SYSTEMTIME k1205 = MakeInstant(1998, 6, 5, 12, 5, 8);
const SYSTEMTIME k1159 = MakeInstant(1998, 6, 5, 11, 59, 59);
const SYSTEMTIME k2359 = MakeInstant(1998, 6, 5, 23, 59, 59);
const TimeRow kTimeRows[] = {
    {0, k2205, "22:05:08", 1},
    {1, k2205, "PM 10:05:08", 1},
    {2, k2205, "22:05", 0},
    {3, k2205, "PM 10:05", 0},
    {4, k2205, "22\x8e\x9e" "05\x95\xaa" "08\x95\x62", 1},
    {5, k2205, "\x8c\xdf\x8c\xe3 10\x8e\x9e" "05\x95\xaa" "08\x95\x62", 1},
    {6, k2205, "22\x8e\x9e" "05\x95\xaa", 0},
    {7, k2205, "\x8c\xdf\x8c\xe3 10\x8e\x9e" "05\x95\xaa", 0},
    {0, k0905, "9:05:08", 1},
    {4, k0905, "9\x8e\x9e" "05\x95\xaa" "08\x95\x62", 1},
    {1, k0005, "AM 0:05:08", 1},
    {5, k0005, "\x8c\xdf\x91\x4f 0\x8e\x9e" "05\x95\xaa" "08\x95\x62", 1},
    {3, k0005, "AM 0:05", 0},
    {7, k0005, "\x8c\xdf\x91\x4f 0\x8e\x9e" "05\x95\xaa", 0},
    {3, k1205, "PM 0:05", 0},
    {7, k1205, "\x8c\xdf\x8c\xe3 0\x8e\x9e" "05\x95\xaa", 0},
    {1, k1159, "AM 11:59:59", 1},
    {5, k2359, "\x8c\xdf\x8c\xe3 11\x8e\x9e" "59\x95\xaa" "59\x95\x62", 1},
};
}  // namespace

TEST(DateField, EveryRowByteForByte) {
    for (const DateRow& r : kDateRows) {
        const std::string text = Date(r.row, r.when);
        EXPECT_EQ(text, r.expected) << "row " << r.row;
        EXPECT_EQ(text.size(), r.length) << "row " << r.row;
    }
}

TEST(TimeField, EveryRowByteForByteWithItsSecondsFlag) {
    for (const TimeRow& r : kTimeRows) {
        int32_t seconds = -1;
        const std::string text = Time(r.row, r.when, &seconds);
        EXPECT_EQ(text, r.expected) << "row " << r.row << " at " << r.when.wHour;
        EXPECT_EQ(seconds, r.seconds) << "row " << r.row;
    }
    EXPECT_EQ(Time(5, k2359).size(), 17u);  // the longest time text
}


TEST(DateField, FiveDigitYearsFitTheirText) {
    const SYSTEMTIME distant = MakeInstant(30827, 12, 31);   // a Friday
    const std::string text = Date(3, distant);
    EXPECT_EQ(text, "30827\x94\x4e" "12\x8c\x8e" "31\x93\xfa(\x8b\xe0\x97\x6a\x93\xfa)");
    EXPECT_EQ(Date(0, MakeInstant(10000, 1, 2)), "10000/ 1/ 2");
}

TEST(DateField, RowsOutsideTheTablesGiveAnEmptyText) {
    for (int row : {-1, 8, 1000, INT32_MIN}) {
        EXPECT_EQ(Date(row, kJune5), "") << row;
        int32_t seconds = -1;
        EXPECT_EQ(Time(row, k2205, &seconds), "") << row;
        EXPECT_EQ(seconds, 0) << "a text without seconds must not make ticks compare seconds";
    }
}

TEST(ChipClock, FormatterRecordsWhetherSecondsAreShown) {
    ChipState chip{};
    chip.timeFormat = 0;
    std::free(FormatTimeField(&chip));
    EXPECT_EQ(chip.timeShowsSeconds, 1);
    chip.timeFormat = 2;
    std::free(FormatTimeField(&chip));
    EXPECT_EQ(chip.timeShowsSeconds, 0);
    chip.timeFormat = 5;
    std::free(FormatTimeField(&chip));
    EXPECT_EQ(chip.timeShowsSeconds, 1);
}

TEST(ChipClock, TicksCompareTheUnitShown) {
    ChipState chip{};
    chip.hasTimeField = 1;
    chip.lastTimeValue = -1;
    // Minutes.
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 10, 5, 1)), 1);
    EXPECT_EQ(chip.lastTimeValue, 5);
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 10, 5, 40)), 0);
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 10, 6, 0)), 1);
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 11, 6, 0)), 0) << "same minute number an hour later";
    // Seconds.
    chip.timeShowsSeconds = 1;
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 11, 6, 7)), 1);
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 11, 6, 7)), 0);
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 11, 6, 8)), 1);
    EXPECT_EQ(chip.lastTimeValue, 8);
    // No time field: nothing changes.
    chip.hasTimeField = 0;
    EXPECT_EQ(CheckChipTimer(&chip, MakeInstant(2000, 1, 1, 11, 6, 9)), 0);
    EXPECT_EQ(chip.lastTimeValue, 8);
}
