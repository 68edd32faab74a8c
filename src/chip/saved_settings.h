// Stored per-chip settings: reading the host's record into a chip, and writing
// a chip's settings for the host to store. The layouts are in host_records.h.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "chip/chip_state.h"
#include "win/host_records.h"
#include "chip/placement.h"

// Reads a stored placement: a value of 10000 or more is a corner command.
inline uint32_t ReducePlacement(uint32_t stored) {
    return stored >= kCommandBase ? stored - kCommandBase : stored;
}

// The size tag of the host's record at `saved` (may be null), when it holds
// settings in either stored form.
bool ReadSettingsTag(const uint8_t* saved, uint32_t* tag);

// Takes the stored settings at `saved` (size tag 408 or 272) into a locked
// chip: placement and its layout, alignment, sizing mode, the fields' looks and
// formats, and the picture path. Writes the reduced placement back into the
// host's record. The picture itself is left to the caller.
void TakeSavedSettings(ChipState* chip, uint8_t* saved, uint32_t tag);

// Settles the chip after its stored picture was loaded (`loaded` its size as
// seen, null when none could be had): the picture's sizes and, for the older form, the
// drawn size; or top left at the default size when there is none. A current
// block's placement is then for the caller to replay as a menu command. Returns
// 1 when the sizing mode was switched to by-text because no file is named.
int PlaceLoadedPicture(ChipState* chip, uint32_t tag, const SIZE* loaded);

// A chip without saved settings: text-sized, top left, fields in the text's look.
void SetDefaultSettings(ChipState* chip);

// Re-allocates *block to 416 bytes and writes the chip's settings into it.
void WriteSaveData(const ChipState* chip, HGLOBAL* block);
