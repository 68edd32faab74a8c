#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"

// The chip's default outer size: the drawn picture size, or the measured text
// plus the text inset and a bordered pop-up tool window's frame.
void CalcChipDefaultSize(ChipState* chip, HWND window, const char* text, int32_t* width, int32_t* height);

// Keeps a stretched or fitted picture matching the client area; 0 when the draw
// size was recomputed, 1 when nothing changed.
int ResizeChip(ChipState* chip, HWND window);

// The largest size of the picture's aspect ratio within the client, on a
// fixed-point scale of 1,000,000, rounded up after one truncation.
void CalcAspectFitSize(int32_t pictureWidth, int32_t pictureHeight, int32_t clientWidth,
                       int32_t clientHeight, int32_t* width, int32_t* height);
