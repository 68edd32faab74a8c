#pragma once
#include <windows.h>
#include "chip/chip_state.h"

// Paints the chip's whole client area into dc with a single BitBlt at the end.
// Draws the drawn copy the chip holds (drawex takes the picture before the
// paint) and loads nothing; resets placement to 0 for the warning.
void PaintChip(ChipState* chip, HWND window, HDC dc, const char* text);
