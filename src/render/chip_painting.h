#pragma once
#include <windows.h>
#include "chip/chip_state.h"

// Paints the chip's whole client area into dc with a single BitBlt at the end.
// May load the picture on demand, make the chip's drawn copy anew
// (scaled_picture.h), and reset placement to 0 for the warning.
void PaintChip(ChipState* chip, HWND window, HDC dc, const char* text);
