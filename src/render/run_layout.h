// Measuring field lines, shared by painting and default sizing.
#pragma once
#include <windows.h>
#include "text/text_runs.h"

// Width and height of one run in its own font (DrawTextA with DT_CALCRECT
// from a rectangle of the given right edge).
SIZE MeasureRun(HDC dc, const LOGFONTA* font, const char* text, LONG right);

// Widths of every run of a line, their sum and the tallest height.
struct LineExtent {
    SIZE run[kMaxRuns];
    LONG width;
    LONG height;
};
LineExtent MeasureLine(HDC dc, const LineRuns& runs, LONG right);

// Releases the run texts of a line.
void ReleaseRunTexts(LineRuns* runs);
