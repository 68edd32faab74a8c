// Cutting lines into runs: kinds, fonts, colours, offsets, and texts that do
// not match the recorded offsets.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "guarded_bytes.h"
#include "chip/chip_state.h"
#include "text/field_tokens.h"
#include "text/text_runs.h"

namespace {
enum class Kind { Plain, Date, Time };

struct Run {
    std::string text;
    Kind kind;
};

class Splitter {
public:
    explicit Splitter(const std::string& text) : text_(text) {
        chip_.textColour = RGB(1, 1, 1);
        chip_.dateColour = RGB(2, 2, 2);
        chip_.timeColour = RGB(3, 3, 3);
        ScanFieldTokens(&chip_, text_.c_str());
        chip_.dateFormat = 4;
        chip_.timeFormat = 2;
    }
    ChipState& chip() { return chip_; }

    // One call from `offset`; returns the runs and moves the offset.
    std::vector<Run> Line(int32_t* offset) {
        LineRuns runs{};
        SplitTextLine(&chip_, text_.c_str(), offset, &runs);
        std::vector<Run> result;
        for (int k = 0; k < runs.runCount; ++k) {
            Kind kind = Kind::Plain;
            if (runs.runFont[k] == &chip_.dateFont) kind = Kind::Date;
            if (runs.runFont[k] == &chip_.timeFont) kind = Kind::Time;
            const COLORREF expected = kind == Kind::Date ? RGB(2, 2, 2) : kind == Kind::Time ? RGB(3, 3, 3) : RGB(1, 1, 1);
            EXPECT_EQ(runs.runColour[k], expected);
            if (kind == Kind::Plain) {
                EXPECT_EQ(runs.runFont[k], &chip_.textFont);
            }
            result.push_back({runs.runText[k], kind});
            std::free(runs.runText[k]);
        }
        return result;
    }

    // Every line as the painter walks them.
    std::vector<std::vector<Run>> AllLines() {
        std::vector<std::vector<Run>> lines;
        int32_t offset = 0;
        const int32_t length = static_cast<int32_t>(text_.size());
        do {
            lines.push_back(Line(&offset));
        } while (offset < length && lines.size() < 1000);
        return lines;
    }

private:
    std::string text_;
    ChipState chip_{};
};

bool IsDateText(const std::string& s) { return s.find('/') != std::string::npos; }
bool IsTimeText(const std::string& s) { return s.find(':') != std::string::npos; }
}  // namespace

TEST(SplitTextLine, PlainFieldPlainThenNextLine) {
    Splitter s("abc<date>def\r\nxyz");
    int32_t offset = 0;
    auto first = s.Line(&offset);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].text, "abc");
    EXPECT_EQ(first[1].kind, Kind::Date);
    EXPECT_TRUE(IsDateText(first[1].text));
    EXPECT_EQ(first[2].text, "def");
    EXPECT_EQ(offset, 14);
    auto second = s.Line(&offset);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].text, "xyz");
    EXPECT_EQ(second[0].kind, Kind::Plain);
    EXPECT_EQ(offset, 18);
}

TEST(SplitTextLine, LineShapes) {
    struct Case {
        const char* text;
        std::vector<Kind> kinds;
        int32_t offset;
    };
    const Case cases[] = {
        {"<time>\r\n", {Kind::Time}, 8},
        {"a<date>b<time>c", {Kind::Plain, Kind::Date, Kind::Plain, Kind::Time, Kind::Plain}, 16},
        {"<date><time>", {Kind::Date, Kind::Time}, 13},
        {"<date>\r\n", {Kind::Date}, 8},
        {"<TIME>x", {Kind::Time, Kind::Plain}, 8},
        {"<time>\n", {Kind::Time, Kind::Plain}, 7},
        {"", {Kind::Plain}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Splitter s(c.text);
        int32_t offset = 0;
        auto runs = s.Line(&offset);
        ASSERT_EQ(runs.size(), c.kinds.size());
        for (size_t k = 0; k < runs.size(); ++k) EXPECT_EQ(runs[k].kind, c.kinds[k]) << k;
        EXPECT_EQ(offset, c.offset);
    }
}

TEST(SplitTextLine, OnlyCrLfPairsAreCut) {
    Splitter bareLf("<time>\n");
    int32_t offset = 0;
    auto runs = bareLf.Line(&offset);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].text, "\n");

    Splitter loneCr("a\rb<date>");
    offset = 0;
    runs = loneCr.Line(&offset);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "a\rb");

    Splitter lfThenText("x\nab<date>");
    offset = 0;
    runs = lfThenText.Line(&offset);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "x\n");
    EXPECT_EQ(offset, 2);
}

TEST(SplitTextLine, EmptyLineGetsOneSpace) {
    Splitter s("<date>\r\n\r\nend");
    auto lines = s.AllLines();
    ASSERT_EQ(lines.size(), 3u);
    ASSERT_EQ(lines[1].size(), 1u);
    EXPECT_EQ(lines[1][0].text, " ");
    EXPECT_EQ(lines[1][0].kind, Kind::Plain);
    EXPECT_EQ(lines[2][0].text, "end");
}

TEST(SplitTextLine, SecondTokenIsPlainText) {
    Splitter s("<date>-<date>");
    int32_t offset = 0;
    auto runs = s.Line(&offset);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].text, "-<date>");
}

TEST(SplitTextLine, DoubleByteTextStaysWhole) {
    // "表" ends in the byte of a backslash; nothing may split there.
    Splitter s("\x95\x5c<time>\x95\x5c");
    int32_t offset = 0;
    auto runs = s.Line(&offset);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "\x95\x5c");
    EXPECT_TRUE(IsTimeText(runs[1].text));
    EXPECT_EQ(runs[2].text, "\x95\x5c");
}

TEST(SplitTextLine, StaleOffsetsNeverReadPastTheText) {
    // Offsets recorded for a longer text, then a shorter one is painted.
    const char* texts[] = {"abcdefgh", "abc", "", "abcdefghij\n", "abcdefghi"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const std::string shorter(text);
        Splitter s(shorter);
        s.chip().dateOffset = 5;   // fewer than six bytes follow in most texts
        s.chip().timeOffset = 9;
        // The text ends a page, so any over-read faults.
        const GuardedBytes guarded(shorter);
        const char* at = guarded.text();
        int32_t offset = 0;
        int lines = 0;
        do {
            LineRuns runs{};
            SplitTextLine(&s.chip(), at, &offset, &runs);
            for (int k = 0; k < runs.runCount; ++k) std::free(runs.runText[k]);
            ++lines;
        } while (offset < static_cast<int32_t>(shorter.size()) && lines < 100);
        EXPECT_LE(offset, static_cast<int32_t>(shorter.size()) + 1);
        EXPECT_LT(lines, 100);
    }
}

TEST(SplitTextLine, StaleOffsetWithSixBytesLeftReplacesThem) {
    Splitter s("0123456789");
    s.chip().dateOffset = 4;
    int32_t offset = 0;
    auto runs = s.Line(&offset);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "0123");
    EXPECT_EQ(runs[1].kind, Kind::Date);
    EXPECT_EQ(offset, 11);
}

TEST(SplitTextLine, OffsetsOutsideTheTextAreClamped) {
    Splitter s("ab<date>");
    int32_t offset = 500;
    auto runs = s.Line(&offset);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, " ");
    EXPECT_EQ(offset, 9);
    offset = -4;
    runs = s.Line(&offset);
    EXPECT_EQ(runs[0].text, "ab");
}
