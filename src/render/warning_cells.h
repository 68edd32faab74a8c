// The cells of the warning pattern, painted in a few copies instead of one
// TextOutA per cell.
#pragma once
#include <windows.h>

// Writes `text` (`length` bytes) at every multiple of `cell` inside (0, 0,
// r.right, r.bottom) with the font, colour and mode selected in dc, giving the
// very pixels of one TextOutA per cell, columns outer and rows inner. Glyphs
// that overhang their cell are painted over by later cells as in that loop.
void DrawWarningCells(HDC dc, const RECT& r, SIZE cell, const char* text, int length);
