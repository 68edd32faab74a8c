// The "<date>" and "<time>" field texts and the chip clock.
#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"

constexpr int kDateTextSize = 23;   // longest date text of a four-digit year, with NUL
constexpr int kTimeTextSize = 18;   // longest time text, with NUL

// The current local date in the chip's dateFormat row, as a new heap text
// (release with free). Null only when memory runs out.
char* FormatDateField(const ChipState* chip);
// The current local time in the chip's timeFormat row, as a new heap text
// (release with free); sets chip->timeShowsSeconds. Null only when memory runs out.
char* FormatTimeField(ChipState* chip);

// The same with the time given, so the formatting can be checked at any time.
// Rows outside 0..7 give an empty text; the time text never shows seconds then.
char* FormatDateText(int32_t row, const SYSTEMTIME& now);
char* FormatTimeText(int32_t row, const SYSTEMTIME& now, int32_t* showsSeconds);

// 1 when the time shown is out of date (the second or minute differs from the
// one recorded at the last reported change), else 0.
int CheckChipTimer(ChipState* chip, const SYSTEMTIME& now);
