// Measuring field lines, shared by painting and default sizing.
#pragma once
#include <windows.h>
#include "text/text_runs.h"

// DrawText of a code page 932 text in the font made from font, which the
// caller has selected into dc. A font of another character set would read the
// bytes in its own code page and show Western glyphs, so such texts go through
// the wide-character call, where the system finds glyphs for every character;
// Japanese and symbol fonts, and empty texts, take the byte call. length -1:
// up to the terminator; either way the system gets the count given.
int DrawChipText(HDC dc, const LOGFONTA& font, const char* text, int length, RECT* r, UINT format);

// Width and height of one run in its own font (DrawChipText with DT_CALCRECT
// from a rectangle of the given right edge).
SIZE MeasureRun(HDC dc, const LOGFONTA* font, const char* text, LONG right);

// Widths of every run of a line, their sum and the tallest height.
struct LineExtent {
    SIZE run[kMaxRuns];
    LONG width;
    LONG height;
};
LineExtent MeasureLine(HDC dc, const LineRuns& runs, LONG right);
