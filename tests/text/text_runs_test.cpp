// Cutting lines into runs: kinds, fonts, colours, offsets, and texts that do
// not match the recorded offsets.
#include <gtest/gtest.h>
#include <climits>
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
        }
        ReleaseRunTexts(&runs);
        EXPECT_EQ(runs.runCount, 0);
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

// One call of SplitTextLine from an offset: the runs it gives (a field's text
// is checked as a date or a time) and where the next line starts.
TEST(SplitTextLine, Lines) {
    constexpr int32_t kScanned = INT32_MIN;   // the offsets ScanFieldTokens recorded
    struct Expected {
        Kind kind;
        const char* text;   // plain runs only
    };
    struct Case {
        const char* why;
        const char* text;
        int32_t start;
        std::vector<Expected> runs;
        int32_t next;
        int32_t dateOffset = kScanned;
    };
    const Expected date{Kind::Date, nullptr}, time{Kind::Time, nullptr};
    const Case cases[] = {
        {"plain, field, plain", "abc<date>def\r\nxyz", 0, {{Kind::Plain, "abc"}, date, {Kind::Plain, "def"}}, 14},
        {"the next line", "abc<date>def\r\nxyz", 14, {{Kind::Plain, "xyz"}}, 18},
        {"a field alone", "<time>\r\n", 0, {time}, 8},
        {"both fields", "a<date>b<time>c", 0,
         {{Kind::Plain, "a"}, date, {Kind::Plain, "b"}, time, {Kind::Plain, "c"}}, 16},
        {"fields side by side", "<date><time>", 0, {date, time}, 13},
        {"a date alone", "<date>\r\n", 0, {date}, 8},
        {"tokens in any case", "<TIME>x", 0, {time, {Kind::Plain, "x"}}, 8},
        {"a bare LF is text", "<time>\n", 0, {time, {Kind::Plain, "\n"}}, 7},
        {"an empty text is one space", "", 0, {{Kind::Plain, " "}}, 1},
        {"a lone CR is text", "a\rb<date>", 0, {{Kind::Plain, "a\rb"}, date}, 10},
        {"no field after a bare LF", "x\nab<date>", 0, {{Kind::Plain, "x\n"}}, 2},
        {"an empty line gets one space", "<date>\r\n\r\nend", 8, {{Kind::Plain, " "}}, 10},
        {"after an empty line", "<date>\r\n\r\nend", 10, {{Kind::Plain, "end"}}, 14},
        {"a second token is plain text", "<date>-<date>", 0, {date, {Kind::Plain, "-<date>"}}, 14},
        // "表" ends in the byte of a backslash; nothing may split there.
        {"double-byte text stays whole", "\x95\x5c<time>\x95\x5c", 0,
         {{Kind::Plain, "\x95\x5c"}, time, {Kind::Plain, "\x95\x5c"}}, 11},
        {"a stale offset with six bytes left replaces them", "0123456789", 0, {{Kind::Plain, "0123"}, date}, 11, 4},
        {"an offset past the text is clamped", "ab<date>", 500, {{Kind::Plain, " "}}, 9},
        {"a negative offset is clamped", "ab<date>", -4, {{Kind::Plain, "ab"}, date}, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Splitter s(c.text);
        if (c.dateOffset != kScanned) s.chip().dateOffset = c.dateOffset;
        int32_t offset = c.start;
        const auto runs = s.Line(&offset);
        ASSERT_EQ(runs.size(), c.runs.size());
        for (size_t k = 0; k < runs.size(); ++k) {
            EXPECT_EQ(runs[k].kind, c.runs[k].kind) << k;
            if (c.runs[k].kind == Kind::Date) EXPECT_TRUE(IsDateText(runs[k].text)) << runs[k].text;
            else if (c.runs[k].kind == Kind::Time) EXPECT_TRUE(IsTimeText(runs[k].text)) << runs[k].text;
            else EXPECT_EQ(runs[k].text, c.runs[k].text) << k;
        }
        EXPECT_EQ(offset, c.next);
    }
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
            ReleaseRunTexts(&runs);
            ++lines;
        } while (offset < static_cast<int32_t>(shorter.size()) && lines < 100);
        EXPECT_LE(offset, static_cast<int32_t>(shorter.size()) + 1);
        EXPECT_LT(lines, 100);
    }
}
