#include "text/date_time_fields.h"
#include <cstdlib>
#include <cstring>

namespace {
const char* const kEnglishWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kJapaneseWeekdays[7] = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
const char* const kEnglishHalfDays[2] = {"AM", "PM"};
const char* const kJapaneseHalfDays[2] = {"午前", "午後"};

// Which arguments a row takes.
enum class DateArgs { YearMonthDay, YearMonthDayWeekday, MonthDay, MonthDayWeekday };
enum class TimeArgs { HourMinuteSecond, HalfDayHourMinuteSecond, HourMinute, HalfDayHourMinute };

struct DateRow { const char* format; DateArgs args; bool japanese; };
struct TimeRow { const char* format; TimeArgs args; bool japanese; bool showsSeconds; };

const DateRow kDateRows[kFormatRows] = {
    {"%4d/%2d/%2d", DateArgs::YearMonthDay, false},
    {"%4d/%2d/%2d(%s)", DateArgs::YearMonthDayWeekday, false},
    {"%4d年%2d月%2d日", DateArgs::YearMonthDay, true},
    {"%4d年%2d月%2d日(%s)", DateArgs::YearMonthDayWeekday, true},
    {"%d/%2d", DateArgs::MonthDay, false},
    {"%d/%2d(%s)", DateArgs::MonthDayWeekday, false},
    {"%d月%2d日", DateArgs::MonthDay, true},
    {"%d月%2d日(%s)", DateArgs::MonthDayWeekday, true},
};

const TimeRow kTimeRows[kFormatRows] = {
    {"%d:%02d:%02d", TimeArgs::HourMinuteSecond, false, true},
    {"%s %d:%02d:%02d", TimeArgs::HalfDayHourMinuteSecond, false, true},
    {"%d:%02d", TimeArgs::HourMinute, false, false},
    {"%s %d:%02d", TimeArgs::HalfDayHourMinute, false, false},
    {"%d時%02d分%02d秒", TimeArgs::HourMinuteSecond, true, true},
    {"%s %d時%02d分%02d秒", TimeArgs::HalfDayHourMinuteSecond, true, true},
    {"%d時%02d分", TimeArgs::HourMinute, true, false},
    {"%s %d時%02d分", TimeArgs::HalfDayHourMinute, true, false},
};
}  // namespace

char* FormatDateText(int32_t row, const SYSTEMTIME& now) {
    char text[128] = "";
    if (row >= 0 && row < kFormatRows) {
        const DateRow& r = kDateRows[row];
        const int weekday = now.wDayOfWeek % 7;
        const char* name = r.japanese ? kJapaneseWeekdays[weekday] : kEnglishWeekdays[weekday];
        switch (r.args) {
        case DateArgs::YearMonthDay:
            wsprintfA(text, r.format, now.wYear, now.wMonth, now.wDay);
            break;
        case DateArgs::YearMonthDayWeekday:
            wsprintfA(text, r.format, now.wYear, now.wMonth, now.wDay, name);
            break;
        case DateArgs::MonthDay:
            wsprintfA(text, r.format, now.wMonth, now.wDay);
            break;
        case DateArgs::MonthDayWeekday:
            wsprintfA(text, r.format, now.wMonth, now.wDay, name);
            break;
        }
    }
    return CopyText(text, std::strlen(text), kDateTextSize);
}

char* FormatTimeText(int32_t row, const SYSTEMTIME& now, int32_t* showsSeconds) {
    char text[128] = "";
    *showsSeconds = 0;
    if (row >= 0 && row < kFormatRows) {
        const TimeRow& r = kTimeRows[row];
        const int half = now.wHour / 12 ? 1 : 0;
        const char* word = r.japanese ? kJapaneseHalfDays[half] : kEnglishHalfDays[half];
        switch (r.args) {
        case TimeArgs::HourMinuteSecond:
            wsprintfA(text, r.format, now.wHour, now.wMinute, now.wSecond);
            break;
        case TimeArgs::HalfDayHourMinuteSecond:
            wsprintfA(text, r.format, word, now.wHour % 12, now.wMinute, now.wSecond);
            break;
        case TimeArgs::HourMinute:
            wsprintfA(text, r.format, now.wHour, now.wMinute);
            break;
        case TimeArgs::HalfDayHourMinute:
            wsprintfA(text, r.format, word, now.wHour % 12, now.wMinute);
            break;
        }
        *showsSeconds = r.showsSeconds ? 1 : 0;
    }
    return CopyText(text, std::strlen(text), kTimeTextSize);
}

char* FormatDateField(const ChipState* chip) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatDateText(chip->dateFormat, now);
}

char* FormatTimeField(ChipState* chip) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatTimeText(chip->timeFormat, now, &chip->timeShowsSeconds);
}

int CheckChipTimer(ChipState* chip, const SYSTEMTIME& now) {
    if (chip->hasTimeField == 0) return 0;
    const int32_t value = chip->timeShowsSeconds == 1 ? now.wSecond : now.wMinute;
    if (chip->lastTimeValue == value) return 0;
    chip->lastTimeValue = value;
    return 1;
}
