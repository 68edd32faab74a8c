// Cutting one line of chip text into runs that share a font and a colour, with
// the recorded field tokens replaced by the current date and time.
#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"

constexpr int kMaxRuns = 5;

// The runs of one line, filled by SplitTextLine. Run k is runText[k],
// runFont[k], runColour[k] for k < runCount.
struct LineRuns {
    int32_t runCount;
    char* runText[kMaxRuns];           // heap texts, released with ReleaseRunTexts
    const LOGFONTA* runFont[kMaxRuns]; // borrowed from the locked ChipState
    COLORREF runColour[kMaxRuns];
};

// Fills runs with the line that starts at *offset in text and moves *offset to
// the start of the next line (length + 1 after the last line). Callers loop
// while *offset < lstrlenA(text). A run whose text could not be allocated is
// left out, so runCount may be 0 when memory runs out.
void SplitTextLine(ChipState* chip, const char* text, int32_t* offset, LineRuns* runs);

// Frees the run texts SplitTextLine allocated and empties the runs; call it
// before the next line is split into the same record, and after the last.
void ReleaseRunTexts(LineRuns* runs);
