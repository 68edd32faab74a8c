#pragma once
#include <windows.h>
#include "chip/chip_state.h"
#include "chip/host_records.h"

// Refreshes a locked chip from the host's ChipInfo: colours, font, field
// tokens, timer, and the saved settings or the defaults. Returns Update's result.
int UpdateChip(HLOCAL handle, ChipState* chip, HWND window, const ChipInfo* info);

// Gives up the chip's use of its (possibly shared) picture and forgets it.
void ReleaseChipPicture(ChipState* chip);
