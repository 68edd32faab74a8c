#pragma once
#include <windows.h>
#include <cstdint>
#include "chip/chip_state.h"
#include "chip/placement.h"

// Builds the chip's context menu; the host owns it afterwards.
HMENU BuildChipMenu(const ChipState* chip);

// Carries out a menu command: 1 when placement or alignment changed, 2 when the
// sizing mode changed, else 0.
int RunChipMenuCommand(ChipState* chip, HWND window, uint32_t command);
