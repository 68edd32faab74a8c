#pragma once
#include <windows.h>
#include "chip/chip_state.h"

// Paints the chip's whole client area into dc with a single BitBlt at the end.
// May load the picture on demand and reset placement to 0 for the warning; a
// stretched or fitted picture is kept scaled for the chip handle (freed with
// DropScaledPicture).
void PaintChip(HLOCAL handle, ChipState* chip, HWND window, HDC dc, const char* text);
