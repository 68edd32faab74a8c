// Update's work: the boundary step that reads the host's record, takes the
// stored picture and settles the chip, all under the export's one lock; and
// DrawChip's step before painting, which draws and does not load.
#pragma once
#include <windows.h>
#include "chip/chip_state.h"
#include "win/host_records.h"

// Refreshes a locked chip from the host's ChipInfo: colours, font, field
// tokens, timer, and the saved settings or the defaults. Returns Update's result.
int RefreshChip(ChipState* chip, HWND window, const ChipInfo* info);

// Gives up the chip's use of its (possibly shared) picture and forgets it.
void ReleaseChipPicture(ChipState* chip);

// Before a paint: a picture that Zoom dropped is taken again (unless Update
// found none); a drawn copy that no longer fits the chip's placement, drawn
// size or client is made anew, decoding the picture again when the cache
// dropped it. A copy that cannot be made anew is drawn as it is.
void TakePictureForPaint(ChipState* chip, HWND window);
